#include "zepcommon/theme/viewlayer.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <cmath>

ViewLayer::ViewLayer(QObject *parent)
    : QGraphicsEffect(parent) {}

ViewLayer *ViewLayer::of(QWidget *widget) {
    if (auto *existing = qobject_cast<ViewLayer *>(widget->graphicsEffect()))
        return existing;
    auto *layer = new ViewLayer(widget);
    widget->setGraphicsEffect(layer); // the widget takes ownership
    return layer;
}

void ViewLayer::setCornerRadius(double radius) {
    m_cornerRadius = std::max(0.0, radius);
    m_masksToBounds = m_cornerRadius > 0;
    changed();
}

void ViewLayer::setMasksToBounds(bool masks) {
    m_masksToBounds = masks;
    changed();
}

void ViewLayer::setBorderWidth(double width) {
    m_borderWidth = std::max(0.0, width);
    changed();
}

void ViewLayer::setBorderColor(std::optional<QColor> color) {
    m_borderColor = color;
    changed();
}

void ViewLayer::setShadowRadius(double radius) {
    m_masksToBounds = false;
    m_shadowRadius = std::max(0.0, radius);
    changed();
}

void ViewLayer::setShadowOpacity(float opacity) {
    m_masksToBounds = false;
    m_shadowOpacity = std::clamp(opacity, 0.0f, 1.0f);
    changed();
}

void ViewLayer::setShadowOffset(const QSizeF &offset) {
    m_masksToBounds = false;
    m_shadowOffset = offset;
    changed();
}

void ViewLayer::setShadowColor(std::optional<QColor> color) {
    m_masksToBounds = false;
    m_shadowColor = color;
    changed();
}

void ViewLayer::changed() {
    updateBoundingRect();
    update();
}

QRectF ViewLayer::boundingRectFor(const QRectF &sourceRect) const {
    if (m_shadowOpacity <= 0 || !m_shadowColor)
        return sourceRect;
    const double spread = m_shadowRadius + 1;
    const QRectF shadow = sourceRect.translated(m_shadowOffset.width(), m_shadowOffset.height())
                              .adjusted(-spread, -spread, spread, spread);
    return sourceRect.united(shadow);
}

void ViewLayer::drawShadow(QPainter *painter, const QRectF &shape) const {
    // A soft shadow from concentric rounded rectangles, fading outwards over the shadow radius.
    const int steps = std::max(1, static_cast<int>(std::ceil(m_shadowRadius)));
    const QRectF base = shape.translated(m_shadowOffset.width(), m_shadowOffset.height());
    QColor color = *m_shadowColor;
    const double alpha = color.alphaF() * m_shadowOpacity / steps;
    painter->save();
    painter->setPen(Qt::NoPen);
    for (int i = steps; i >= 1; --i) {
        const double grow = m_shadowRadius * i / steps;
        color.setAlphaF(static_cast<float>(std::min(1.0, alpha * (steps - i + 1))));
        QPainterPath path;
        path.addRoundedRect(base.adjusted(-grow, -grow, grow, grow), m_cornerRadius + grow,
                            m_cornerRadius + grow);
        painter->fillPath(path, color);
    }
    painter->restore();
}

void ViewLayer::draw(QPainter *painter) {
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (pixmap.isNull())
        return;
    const QRectF shape(offset, pixmap.deviceIndependentSize());
    QPainterPath rounded;
    rounded.addRoundedRect(shape, m_cornerRadius, m_cornerRadius);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_shadowOpacity > 0 && m_shadowColor)
        drawShadow(painter, shape);
    painter->save();
    if (m_masksToBounds && m_cornerRadius > 0)
        painter->setClipPath(rounded);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
    if (m_borderWidth > 0 && m_borderColor) {
        const double inset = m_borderWidth / 2;
        QPainterPath border;
        const double radius = std::max(0.0, m_cornerRadius - inset);
        border.addRoundedRect(shape.adjusted(inset, inset, -inset, -inset), radius, radius);
        painter->strokePath(border, QPen(*m_borderColor, m_borderWidth));
    }
    painter->restore();
}
