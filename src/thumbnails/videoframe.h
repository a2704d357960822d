#pragma once

#include <QImage>
#include <QString>

namespace thumbnails {

// A frame from the middle of a video file (at half its duration; the first frame when the duration
// is zero or unknown), scaled to fit within maxSide pixels on its long side with the video's display
// aspect ratio. A null image when the file is not a video FFmpeg can decode, or is cut short before
// any frame. Decoding stops after a bounded number of packets, so a damaged file cannot hold the
// caller for long. Safe to call from any thread.
QImage decodeVideoFrame(const QString &path, int maxSide);

} // namespace thumbnails
