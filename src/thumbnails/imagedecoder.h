#pragma once

#include <QImage>
#include <QString>

namespace thumbnails {

// Decodes an image file into at most maxSide pixels on its long side, keeping the aspect ratio and
// applying the orientation the file records. JPEG is decoded at reduced scale directly; HEIC goes
// through libheif (its embedded thumbnail when that is large enough). A null image when the file
// cannot be read or decoded. Safe to call from any thread.
QImage decodeImage(const QString &path, int maxSide);

// True when the file's contents are an image the decoder can read (header check only).
bool isDecodableImage(const QString &path);

} // namespace thumbnails
