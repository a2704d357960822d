#include "browser/viewers/imagecanvas.h"

#include <QGestureEvent>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPinchGesture>
#include <QPixmap>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace browser {

ImageCanvas::ImageCanvas(QWidget *parent)
    : QGraphicsView(parent)
    , m_item(new QGraphicsPixmapItem) {
    setAccessibleName(tr("Picture"));
    auto *scene = new QGraphicsScene(this);
    scene->addItem(m_item);
    setScene(scene);
    m_item->setTransformationMode(Qt::SmoothTransformation);
    setBackgroundBrush(Qt::black);
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignCenter);
    setDragMode(QGraphicsView::ScrollHandDrag);
    setTransformationAnchor(QGraphicsView::NoAnchor);
    setResizeAnchor(QGraphicsView::NoAnchor);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->grabGesture(Qt::PinchGesture);
}

void ImageCanvas::setPicture(const QImage &image, QSize originalSize) {
    m_item->setPixmap(QPixmap::fromImage(image));
    scene()->setSceneRect(m_item->boundingRect());
    m_originalSize = originalSize.isValid() ? originalSize : image.size();
    m_imageScale = image.width() > 0 ? double(m_originalSize.width()) / image.width() : 1.0;
    fit();
}

bool ImageCanvas::hasPicture() const {
    return !m_item->pixmap().isNull();
}

double ImageCanvas::fitZoom() const {
    if (m_originalSize.isEmpty())
        return 1.0;
    const QSize area = viewport()->size();
    const double fitting = std::min(double(area.width()) / m_originalSize.width(),
                                    double(area.height()) / m_originalSize.height());
    return std::clamp(fitting, 1e-3, 1.0);
}

void ImageCanvas::zoomIn() {
    zoomTo(m_zoom * zoomStep, viewportCentre());
}

void ImageCanvas::zoomOut() {
    zoomTo(m_zoom / zoomStep, viewportCentre());
}

void ImageCanvas::fit() {
    zoomTo(fitZoom(), viewportCentre());
    m_fitted = true;
}

void ImageCanvas::toggleActualSize(QPoint at) {
    if (m_fitted && fitZoom() < 1.0)
        zoomTo(1.0, at);
    else
        fit();
}

void ImageCanvas::zoomTo(double zoom, QPoint anchor) {
    zoom = std::clamp(zoom, fitZoom(), std::max(maximumZoom, fitZoom()));
    const QPointF anchored = mapToScene(anchor);
    const double scale = zoom * m_imageScale;
    setTransform(QTransform::fromScale(scale, scale));
    const QPoint moved = mapFromScene(anchored) - anchor;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + moved.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() + moved.y());
    m_zoom = zoom;
    m_fitted = std::abs(zoom - fitZoom()) < 1e-9;
}

QPoint ImageCanvas::viewportCentre() const {
    return viewport()->rect().center();
}

void ImageCanvas::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        return;
    case Qt::Key_Minus:
        zoomOut();
        return;
    case Qt::Key_0:
        fit();
        return;
    default:
        QGraphicsView::keyPressEvent(event);
    }
}

void ImageCanvas::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return QGraphicsView::mouseDoubleClickEvent(event);
    toggleActualSize(event->position().toPoint());
    event->accept();
}

void ImageCanvas::wheelEvent(QWheelEvent *event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return QGraphicsView::wheelEvent(event);
    zoomTo(m_zoom * std::pow(zoomStep, steps), event->position().toPoint());
    event->accept();
}

void ImageCanvas::resizeEvent(QResizeEvent *event) {
    QGraphicsView::resizeEvent(event);
    if (m_fitted)
        fit();
}

bool ImageCanvas::viewportEvent(QEvent *event) {
    if (event->type() == QEvent::NativeGesture) {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            zoomTo(m_zoom * (1.0 + gesture->value()), gesture->position().toPoint());
            return true;
        }
    }
    if (event->type() == QEvent::Gesture) {
        auto *gestures = static_cast<QGestureEvent *>(event);
        if (auto *pinch = static_cast<QPinchGesture *>(gestures->gesture(Qt::PinchGesture))) {
            if (pinch->changeFlags() & QPinchGesture::ScaleFactorChanged)
                zoomTo(m_zoom * pinch->scaleFactor(),
                       viewport()->mapFromGlobal(pinch->centerPoint().toPoint()));
            gestures->accept(pinch);
            return true;
        }
    }
    return QGraphicsView::viewportEvent(event);
}

} // namespace browser
