#pragma once

#include <QGraphicsView>
#include <QImage>

class QGraphicsPixmapItem;

namespace browser {

// The zoomable picture: fitted to the window (never enlarged past its own size) until the user
// zooms with the wheel, a pinch, the keys + − 0 or a double-click, which toggles between fit and
// 100 %. Dragging pans. Zoom is measured against the picture's own pixels, so 1 is 100 % even
// when the decoded image was scaled down for display. Fitted pictures stay fitted as the window
// resizes. GUI thread only.
class ImageCanvas : public QGraphicsView {
    Q_OBJECT
public:
    static constexpr double zoomStep = 1.25;
    static constexpr double maximumZoom = 8.0;

    explicit ImageCanvas(QWidget *parent = nullptr);

    // `originalSize` is the picture's own size; the image may be a scaled-down copy.
    void setPicture(const QImage &image, QSize originalSize);
    bool hasPicture() const;

    double zoom() const { return m_zoom; }
    double fitZoom() const;
    bool isFitted() const { return m_fitted; }

    void zoomIn();
    void zoomOut();
    void fit();
    // Between fit and 100 %, keeping the point under `at` (viewport coordinates) in place.
    void toggleActualSize(QPoint at);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void zoomTo(double zoom, QPoint anchor);
    QPoint viewportCentre() const;

    QGraphicsPixmapItem *m_item;
    double m_imageScale = 1.0; // the picture's pixels per decoded pixel
    QSize m_originalSize;
    double m_zoom = 1.0;
    bool m_fitted = true;
};

} // namespace browser
