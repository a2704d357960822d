#include "browser/viewers/pdfpageview.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfLink>
#include <QPdfSearchModel>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <numeric>

namespace browser {

PdfPageView::PdfPageView(QWidget *parent)
    : QPdfView(parent) {
    setAccessibleName(tr("Document"));
    setPageMode(QPdfView::PageMode::MultiPage);
    setZoomMode(QPdfView::ZoomMode::Custom);
    // A scroll bar that comes and goes would change the width that fit width fits.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const auto relayout = [this] {
        // A new zoom or document starts QPdfView's cache afresh.
        m_layoutZoom = -1;
        m_rendered.clear();
        m_recentBytes.clear();
    };
    connect(this, &QPdfView::zoomFactorChanged, this, relayout);
    connect(this, &QPdfView::documentChanged, this, relayout);
}

void PdfPageView::setSearchModel(QPdfSearchModel *model) {
    if (m_search)
        m_search->disconnect(this);
    m_search = model;
    if (model) {
        const auto repaint = [this] {
            viewport()->update();
        };
        connect(model, &QAbstractItemModel::rowsInserted, this, repaint);
        connect(model, &QAbstractItemModel::modelReset, this, repaint);
    }
    viewport()->update();
}

void PdfPageView::setCurrentMatch(int match) {
    m_currentMatch = match;
    viewport()->update();
}

double PdfPageView::pixelsPerPoint() const {
    // QPdfView's own resolution: the primary screen's logical dpi over the 72 dpi of points.
    const QScreen *screen = QGuiApplication::primaryScreen();
    return (screen ? screen->logicalDotsPerInch() : 96.0) / 72.0;
}

double PdfPageView::fitWidthZoom() const {
    const QPdfDocument *doc = document();
    if (!doc || doc->status() != QPdfDocument::Status::Ready)
        return 1.0;
    double widest = 0;
    for (int page = 0; page < doc->pageCount(); ++page)
        widest = std::max(widest, doc->pagePointSize(page).width());
    const int available = viewport()->width() - documentMargins().left() - documentMargins().right();
    if (widest <= 0 || available <= 0)
        return 1.0;
    return available / (widest * pixelsPerPoint());
}

void PdfPageView::ensureLayout() const {
    if (m_layoutZoom == zoomFactor() && m_layoutWidth == viewport()->width())
        return;
    m_layoutZoom = zoomFactor();
    m_layoutWidth = viewport()->width();
    m_pages.clear();
    const QPdfDocument *doc = document();
    if (!doc || doc->status() != QPdfDocument::Status::Ready)
        return;
    const double scale = pixelsPerPoint() * zoomFactor();
    int widest = 0;
    m_pages.reserve(doc->pageCount());
    for (int page = 0; page < doc->pageCount(); ++page) {
        const QSize size = (doc->pagePointSize(page) * scale).toSize();
        widest = std::max(widest, size.width());
        m_pages.append(QRect(QPoint(), size));
    }
    const int totalWidth = widest + documentMargins().left() + documentMargins().right();
    int y = documentMargins().top();
    for (QRect &page : m_pages) {
        page.moveTopLeft(QPoint((std::max(totalWidth, m_layoutWidth) - page.width()) / 2, y));
        y += page.height() + pageSpacing();
    }
}

QRect PdfPageView::pageRect(int page) const {
    ensureLayout();
    if (page < 0 || page >= m_pages.size())
        return {};
    return m_pages[page].translated(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

QRect PdfPageView::viewportRect(int page, const QRectF &points) const {
    const double scale = pixelsPerPoint() * zoomFactor();
    return QTransform::fromScale(scale, scale)
        .mapRect(points)
        .translated(pageRect(page).topLeft())
        .toAlignedRect();
}

void PdfPageView::reveal(int page, const QRectF &points) {
    const QRect target = viewportRect(page, points);
    const QRect visible = viewport()->rect();
    if (target.isEmpty() || visible.contains(target))
        return;
    if (target.top() < visible.top() || target.bottom() > visible.bottom())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + target.top() - visible.height() / 3);
    if (target.left() < visible.left() || target.right() > visible.right())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + target.left() - visible.width() / 3);
}

void PdfPageView::paintEvent(QPaintEvent *event) {
    QPdfView::paintEvent(event);
    ensureLayout();
    const bool finding = m_search && !m_search->searchString().isEmpty();
    const QPdfLink current = finding && m_currentMatch >= 0 && m_currentMatch < m_search->rowCount({})
                                 ? m_search->resultAtIndex(m_currentMatch)
                                 : QPdfLink();
    QPainter painter(viewport());
    const QRect visible = viewport()->rect();
    for (int page = 0; page < m_pages.size(); ++page) {
        const QRect rect = pageRect(page);
        if (rect.bottom() < visible.top())
            continue;
        if (rect.top() > visible.bottom())
            break;
        countRendered(page, rect);
        if (finding)
            paintMatches(page, rect, painter, current);
    }
}

void PdfPageView::paintMatches(int page, QRect rect, QPainter &painter, const QPdfLink &current) const {
    const double scale = pixelsPerPoint() * zoomFactor();
    const QTransform toPixels = QTransform::fromScale(scale, scale);
    for (const QPdfLink &match : m_search->resultsOnPage(page)) {
        for (const QRectF &box : match.rectangles())
            painter.fillRect(toPixels.mapRect(box).translated(rect.topLeft()), QColor(255, 200, 0, 110));
    }
    if (current.isValid() && current.page() == page) {
        painter.setPen(QPen(QColor(230, 120, 0), 2));
        for (const QRectF &box : current.rectangles())
            painter.drawRect(toPixels.mapRect(box).translated(rect.topLeft()).adjusted(-2, -2, 2, 2));
    }
}

void PdfPageView::countRendered(int page, QRect rect) {
    if (m_rendered.contains(page))
        return;
    m_rendered.insert(page);
    const double ratio = devicePixelRatioF();
    m_recentBytes.push_back(qint64(rect.width() * ratio) * qint64(rect.height() * ratio) * 4);
    if (m_recentBytes.size() > size_t(pageCacheLimit))
        m_recentBytes.pop_front();
    const qint64 held = std::accumulate(m_recentBytes.begin(), m_recentBytes.end(), qint64(0));
    if (held > pageCacheBudget && !m_dropPending) {
        // Not from inside a paint: changing the layout repaints.
        m_dropPending = true;
        QMetaObject::invokeMethod(this, &PdfPageView::dropRenderedPages, Qt::QueuedConnection);
    }
}

void PdfPageView::dropRenderedPages() {
    m_dropPending = false;
    m_rendered.clear();
    m_recentBytes.clear();
    // QPdfView drops its rendered pages whenever its layout changes; a margin changed and put
    // back is a layout change that leaves everything where it was.
    const QMargins margins = documentMargins();
    setDocumentMargins(margins + QMargins(0, 0, 0, 1));
    setDocumentMargins(margins);
}

void PdfPageView::resizeEvent(QResizeEvent *event) {
    QPdfView::resizeEvent(event);
    emit viewportWidthChanged();
}

} // namespace browser
