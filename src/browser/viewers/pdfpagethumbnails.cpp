#include "browser/viewers/pdfpagethumbnails.h"

#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageRenderer>

#include <cmath>

namespace browser {

PdfPageThumbnails::PdfPageThumbnails(QPdfDocument *document, QObject *parent)
    : QAbstractListModel(parent)
    , m_document(document)
    , m_renderer(new QPdfPageRenderer(this))
    , m_cache(cacheBytes) {
    m_renderer->setRenderMode(QPdfPageRenderer::RenderMode::MultiThreaded);
    m_renderer->setDocument(document);
    connect(m_renderer, &QPdfPageRenderer::pageRendered, this,
            [this](int page, QSize, const QImage &image) { rendered(page, image); });
}

PdfPageThumbnails::~PdfPageThumbnails() = default;

void PdfPageThumbnails::reset() {
    beginResetModel();
    m_cache.clear();
    m_pending.clear();
    endResetModel();
}

void PdfPageThumbnails::setDevicePixelRatio(double ratio) {
    if (ratio <= 0 || ratio == m_devicePixelRatio)
        return;
    m_devicePixelRatio = ratio;
    m_cache.clear();
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
}

QSize PdfPageThumbnails::thumbnailSize(int page) const {
    const QSizeF points = m_document->pagePointSize(page);
    if (points.width() <= 0 || points.height() <= 0)
        return {thumbnailWidth, thumbnailWidth};
    // Very tall pages are capped at three widths so a strip row stays a row.
    const int height = int(std::lround(thumbnailWidth * std::min(3.0, points.height() / points.width())));
    return {thumbnailWidth, std::max(1, height)};
}

int PdfPageThumbnails::rowCount(const QModelIndex &parent) const {
    if (parent.isValid() || m_document->status() != QPdfDocument::Status::Ready)
        return 0;
    return m_document->pageCount();
}

QVariant PdfPageThumbnails::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int page = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return QString::number(page + 1);
    case Qt::AccessibleTextRole:
        return tr("Page %1").arg(page + 1);
    case Qt::SizeHintRole:
        return thumbnailSize(page);
    case Qt::DecorationRole:
        if (const QImage *image = m_cache.object(page))
            return *image;
        request(page);
        return {};
    default:
        return {};
    }
}

void PdfPageThumbnails::request(int page) const {
    if (m_pending.contains(page))
        return;
    m_pending.insert(page);
    ++m_requests;
    m_renderer->requestPage(page, thumbnailSize(page) * m_devicePixelRatio);
}

void PdfPageThumbnails::rendered(int page, const QImage &image) {
    if (!m_pending.remove(page) || page >= rowCount())
        return;
    // Pages render transparent where nothing is drawn; paper is white.
    auto thumbnail = std::make_unique<QImage>(image.size(), QImage::Format_RGB32);
    thumbnail->fill(Qt::white);
    {
        QPainter painter(thumbnail.get());
        painter.drawImage(0, 0, image);
    }
    thumbnail->setDevicePixelRatio(m_devicePixelRatio);
    const qint64 cost = thumbnail->sizeInBytes();
    m_cache.insert(page, thumbnail.release(), cost);
    emit dataChanged(index(page), index(page), {Qt::DecorationRole});
}

} // namespace browser
