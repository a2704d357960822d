#pragma once

#include <QPdfView>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QVector>

#include <deque>

class QPainter;
class QPdfLink;
class QPdfSearchModel;

namespace browser {

// QPdfView in multi-page mode at a custom zoom, with the matches of a find painted over the
// pages (Qt 6.4's view draws none): every match on the pages in view is tinted, the current one
// framed. The page layout is worked out the way QPdfView lays pages out (centred, one below the
// other, its margins and spacing between).
//
// QPdfView keeps the last 21 pages it rendered. At a high zoom (a page near 64 MiB) that alone
// would hold over a gigabyte, so the view counts the bytes of the last pages that came into view
// and, past pageCacheBudget, has QPdfView drop its cache; the pages in view render again. At the
// usual zooms 21 pages fit the budget and nothing is dropped. GUI thread
// only; the search model is not owned.
class PdfPageView : public QPdfView {
    Q_OBJECT
public:
    static constexpr qint64 pageCacheBudget = 256 * 1024 * 1024;
    // How many rendered pages QPdfView 6.4 keeps.
    static constexpr int pageCacheLimit = 21;

    explicit PdfPageView(QWidget *parent = nullptr);

    void setSearchModel(QPdfSearchModel *model);
    void setCurrentMatch(int match);
    // The zoom at which the widest page fills the viewport's width.
    double fitWidthZoom() const;
    // Where a page lies in the viewport at the current scroll position.
    QRect pageRect(int page) const;
    // Where a rectangle of a page (in points) lies in the viewport.
    QRect viewportRect(int page, const QRectF &points) const;
    // Scrolls, when needed, so that the rectangle of the page is in view.
    void reveal(int page, const QRectF &points);

signals:
    void viewportWidthChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    double pixelsPerPoint() const;
    void ensureLayout() const;
    void paintMatches(int page, QRect rect, QPainter &painter, const QPdfLink &current) const;
    void countRendered(int page, QRect rect);
    void dropRenderedPages();

    QPointer<QPdfSearchModel> m_search;
    int m_currentMatch = -1;
    QSet<int> m_rendered;             // pages in view since QPdfView's cache was last dropped
    std::deque<qint64> m_recentBytes; // of the last pageCacheLimit pages that came into view
    bool m_dropPending = false;
    mutable QVector<QRect> m_pages; // document coordinates
    mutable double m_layoutZoom = -1;
    mutable int m_layoutWidth = -1;
};

} // namespace browser
