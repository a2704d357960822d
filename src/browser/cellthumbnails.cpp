#include "browser/cellthumbnails.h"

#include <QFile>
#include <QPainter>
#include <QPdfDocument>

namespace browser {

namespace {

// A page larger than this (in points, either side) is drawn scaled down to it, so one odd page
// cannot ask for gigabytes; only its lower left corner shows anyway.
constexpr double largestPageSide = 4000.0;

} // namespace

QImage pdfCellThumbnail(const QString &path, int) {
    // Files that do not start as a PDF are not handed to the PDF library at all: its parser keeps
    // memory from documents it rejects.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.read(1024).contains("%PDF-"))
        return {};
    file.close();
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || document.pageCount() < 1)
        return {};
    QSizeF page = document.pagePointSize(0);
    if (page.isEmpty())
        return {};
    if (page.width() > largestPageSide || page.height() > largestPageSide)
        page.scale(largestPageSide, largestPageSide, Qt::KeepAspectRatio);
    const QImage rendered = document.render(0, page.toSize());
    if (rendered.isNull())
        return {};
    QImage canvas(pdfCanvasWidth, pdfCanvasHeight, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    // The page's lower left corner sits on the canvas's lower left corner.
    painter.drawImage(QPointF(0, pdfCanvasHeight - rendered.height()), rendered);
    painter.end();
    return canvas;
}

CellThumbnails::CellThumbnails(thumbnails::ThumbnailService &pictures, thumbnails::ThumbnailService &pdfs,
                               QObject *parent)
    : QObject(parent)
    , m_pictures(pictures)
    , m_pdfs(pdfs)
    , m_images(24 << 20) {
    for (thumbnails::ThumbnailService *service : {&m_pictures, &m_pdfs}) {
        connect(service, &thumbnails::ThumbnailService::ready, this, &CellThumbnails::arrived);
        connect(service, &thumbnails::ThumbnailService::failed, this, &CellThumbnails::failed);
    }
}

CellThumbnails::~CellThumbnails() {
    keepOnly({});
}

QString CellThumbnails::key(const QString &path, qint64 version) {
    return QString::number(version) + QLatin1Char(':') + path;
}

QImage CellThumbnails::thumbnail(const QString &path, FileKind kind, qint64 version,
                                 thumbnails::Priority priority) {
    if (kind != FileKind::Image && kind != FileKind::Video && kind != FileKind::Pdf)
        return {};
    const QString cacheKey = key(path, version);
    if (const QImage *image = m_images.object(cacheKey))
        return *image;
    if (m_failed.contains(cacheKey))
        return {};
    if (const auto pending = m_pending.constFind(path); pending != m_pending.cend()) {
        if (pending->version == version && pending->priority >= priority)
            return {};
        pending->service->cancel(pending->id);
        m_pending.erase(pending);
    }
    thumbnails::ThumbnailService &service = kind == FileKind::Pdf ? m_pdfs : m_pictures;
    const int size = kind == FileKind::Pdf ? pdfCanvasHeight : pictureSize;
    m_pending.insert(path, Pending{&service, service.request(path, size, priority), version, priority});
    return {};
}

void CellThumbnails::keepOnly(const QSet<QString> &paths) {
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (paths.contains(it.key())) {
            ++it;
            continue;
        }
        it->service->cancel(it->id);
        it = m_pending.erase(it);
    }
}

void CellThumbnails::clear() {
    keepOnly({});
    m_images.clear();
    m_failed.clear();
}

void CellThumbnails::arrived(thumbnails::RequestId id, const QString &path, const QImage &image) {
    const auto it = m_pending.constFind(path);
    // An answer to a request this object no longer waits for (cancelled, or made before a clear).
    if (it == m_pending.cend() || it->id != id)
        return;
    const QString cacheKey = key(path, it->version);
    m_pending.erase(it);
    m_images.insert(cacheKey, new QImage(image), int(qMin<qsizetype>(image.sizeInBytes(), 1 << 30)));
    emit changed(path);
}

void CellThumbnails::failed(thumbnails::RequestId id, const QString &path) {
    const auto it = m_pending.constFind(path);
    if (it == m_pending.cend() || it->id != id)
        return;
    m_failed.insert(key(path, it->version));
    m_pending.erase(it);
    emit changed(path);
}

} // namespace browser
