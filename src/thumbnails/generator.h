#pragma once

#include <QImage>
#include <QString>

namespace thumbnails {

// What makes a file's thumbnail.
enum class SourceKind { Image, Pdf, Video, None };

// Chosen by the extension (png, jpg, jpeg, heic: image; pdf; mp4, mov, avi: video), else by the
// contents for the other picture formats the image decoder reads; None for everything else.
SourceKind sourceKindFor(const QString &path);

// The thumbnail of a file of any kind above, at most maxSide pixels on its long side (never
// enlarged). A null image when the kind has no thumbnail or the file cannot be decoded. Safe to call
// from any thread.
QImage makeThumbnail(const QString &path, int maxSide);

} // namespace thumbnails
