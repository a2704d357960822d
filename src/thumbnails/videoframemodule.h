#pragma once

#include <QImage>
#include <QString>

// The video decoder is a module of its own (libtidewell_videoframe.so, FFmpeg inside), loaded when
// the first video is decoded: FFmpeg and the codec libraries it links are the largest part of what
// the program would otherwise map at start. decodeVideoFrame (videoframe.h) is its caller.
namespace thumbnails::videoframemodule {

inline constexpr char fileName[] = "libtidewell_videoframe.so";
inline constexpr char entryPoint[] = "tidewell_decode_video_frame";

// decodeVideoFrame's contract; the frame is written to *frame (left null on failure).
using Entry = void (*)(const QString &path, int maxSide, QImage *frame);

} // namespace thumbnails::videoframemodule
