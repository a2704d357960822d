#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QRectF>
#include <QWidget>

class QRCodeReader;
class VideoPreviewLayer;

// The view under a reader's camera picture: shows the preview frames (aspect-fill) and frames the
// scan area with a dashed, rounded white square. Pinch gestures zoom the reader's camera.
class QRCodeReaderView : public QWidget {
    Q_OBJECT
public:
    explicit QRCodeReaderView(QWidget *parent = nullptr);

    // The reader whose preview is shown and whose camera is zoomed; may be null (overlay only).
    void setReader(QRCodeReader *reader);

    // The scan square for a view of the given size: S = min(height − 320, width), a side of 80 % of
    // S, centred across and placed 120 below the top of the space above the bottom 320 (see the
    // implementation). Empty when the view is too small to hold one.
    static QRectF overlayRect(const QSizeF &bounds);
    static constexpr double overlayCornerRadius = 5;
    static constexpr double overlayLineWidth = 3;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void addOverlay();
    bool pinchEvent(class QGestureEvent *event);

    QRCodeReader *m_reader = nullptr;
    QPointer<VideoPreviewLayer> m_preview;
    QElapsedTimer m_pinchClock;
    double m_lastScale = 1;
};
