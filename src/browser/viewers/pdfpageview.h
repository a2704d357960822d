#pragma once

#include <QPdfView>
#include <QPointer>
#include <QRect>
#include <QVector>

class QPdfSearchModel;

namespace browser {

// QPdfView in multi-page mode at a custom zoom, with the matches of a find painted over the
// pages (Qt 6.4's view draws none): every match on the pages in view is tinted, the current one
// framed. The page layout is worked out the way QPdfView lays pages out (centred, one below the
// other, its margins and spacing between). GUI thread only; the search model is not owned.
class PdfPageView : public QPdfView {
    Q_OBJECT
public:
    explicit PdfPageView(QWidget *parent = nullptr);

    void setSearchModel(QPdfSearchModel *model);
    void setCurrentMatch(int match);
    // The zoom at which the widest page fills the viewport's width.
    double fitWidthZoom() const;
    // Where a page lies in the viewport at the current scroll position.
    QRect pageRect(int page) const;

signals:
    void viewportWidthChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    double pixelsPerPoint() const;
    void ensureLayout() const;

    QPointer<QPdfSearchModel> m_search;
    int m_currentMatch = -1;
    mutable QVector<QRect> m_pages; // document coordinates
    mutable double m_layoutZoom = -1;
    mutable int m_layoutWidth = -1;
};

} // namespace browser
