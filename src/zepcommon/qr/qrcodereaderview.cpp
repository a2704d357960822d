#include "zepcommon/qr/qrcodereaderview.h"

#include "zepcommon/qr/qrcodereader.h"

#include <QGestureEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPinchGesture>
#include <algorithm>

QRCodeReaderView::QRCodeReaderView(QWidget *parent)
    : QWidget(parent) {
    addOverlay();
}

void QRCodeReaderView::addOverlay() {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    grabGesture(Qt::PinchGesture);
}

void QRCodeReaderView::setReader(QRCodeReader *reader) {
    if (m_preview)
        disconnect(m_preview, nullptr, this, nullptr);
    m_reader = reader;
    m_preview = reader ? reader->previewLayer() : nullptr;
    if (m_preview)
        connect(m_preview, &VideoPreviewLayer::frameChanged, this, qOverload<>(&QWidget::update));
    update();
}

QRectF QRCodeReaderView::overlayRect(const QSizeF &bounds) {
    const double width = bounds.width();
    const double height = bounds.height();
    const double limit = std::min(height - 320, width);
    if (limit <= 0)
        return {};
    const double margin = limit * 20 / 100;
    const double side = limit - margin;
    if (limit == width)
        return QRectF(margin / 2, (height - 320 - side) / 2 + 120, side, side);
    return QRectF((width - side) / 2, margin / 2 + 120, side, side);
}

void QRCodeReaderView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::black);
    const QImage frame = m_preview ? m_preview->frame() : QImage();
    if (!frame.isNull()) {
        // Aspect-fill: scale to cover the view, centre, crop the rest.
        const QSizeF filled = QSizeF(frame.size()).scaled(size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(QPointF((width() - filled.width()) / 2, (height() - filled.height()) / 2),
                            filled);
        painter.drawImage(target, frame);
    }
    const QRectF square = overlayRect(size());
    if (square.isEmpty())
        return;
    QPen pen(Qt::white, overlayLineWidth);
    pen.setDashPattern({7.0 / overlayLineWidth, 7.0 / overlayLineWidth}); // 7 on, 7 off, in pixels
    pen.setDashOffset(0);
    QPainterPath path;
    path.addRoundedRect(square, overlayCornerRadius, overlayCornerRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(pen);
    painter.drawPath(path);
}

bool QRCodeReaderView::event(QEvent *event) {
    if (event->type() == QEvent::Gesture && pinchEvent(static_cast<QGestureEvent *>(event)))
        return true;
    return QWidget::event(event);
}

bool QRCodeReaderView::pinchEvent(QGestureEvent *event) {
    auto *pinch = static_cast<QPinchGesture *>(event->gesture(Qt::PinchGesture));
    if (!pinch || !m_reader)
        return false;
    if (pinch->state() == Qt::GestureStarted) {
        m_pinchClock.start();
        m_lastScale = pinch->totalScaleFactor();
        m_reader->handlePinch(Qt::GestureStarted, 0);
    } else if (pinch->state() == Qt::GestureUpdated) {
        // The reader wants the scale's change per second, as a touch screen's pinch reports it.
        const double seconds = std::max(0.001, m_pinchClock.restart() / 1000.0);
        const double velocity = (pinch->totalScaleFactor() - m_lastScale) / seconds;
        m_lastScale = pinch->totalScaleFactor();
        m_reader->handlePinch(Qt::GestureUpdated, velocity);
    }
    event->accept(pinch);
    return true;
}
