#pragma once

#include <QByteArray>
#include <QImage>

namespace thumbnails {

// Encodes an image as a small PNG: colours reduced to an adaptive palette of at most 256 entries
// (libimagequant, lightly dithered), which keeps photo thumbnails looking the same at about a third
// of the size of a true-colour PNG. Falls back to a true-colour PNG when quantising fails. Empty on failure.
QByteArray compactPng(const QImage &image);

} // namespace thumbnails
