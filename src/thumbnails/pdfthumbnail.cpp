#include "thumbnails/pdfthumbnail.h"

#include <QPainter>
#include <QPdfDocument>

namespace thumbnails {

QImage renderPdfFirstPage(const QString &path, int maxSide) {
    if (maxSide <= 0)
        return {};
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || document.pageCount() < 1)
        return {};
    const QSizeF points = document.pagePointSize(0);
    if (points.isEmpty())
        return {};
    const QSize size = points.scaled(maxSide, maxSide, Qt::KeepAspectRatio).toSize().expandedTo(QSize(1, 1));
    const QImage page = document.render(0, size);
    if (page.isNull())
        return {};

    QImage result(page.size(), QImage::Format_RGB32);
    result.fill(Qt::white);
    QPainter painter(&result);
    painter.drawImage(0, 0, page);
    painter.end();
    return result;
}

} // namespace thumbnails
