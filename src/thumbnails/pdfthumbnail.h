#pragma once

#include <QImage>
#include <QString>

namespace thumbnails {

// The first page of a PDF file, rendered to fit within maxSide pixels on its long side on a white
// background (pages are transparent where nothing is drawn). A null image when the file is not a
// PDF, is locked by a password or has no pages. Safe to call from any thread: the renderer
// serialises its own work.
QImage renderPdfFirstPage(const QString &path, int maxSide);

} // namespace thumbnails
