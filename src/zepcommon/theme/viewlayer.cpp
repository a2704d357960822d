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
    // The shape filled in the shadow colour, then blurred by shrinking and enlarging it smoothly.
    const double pad = m_shadowRadius + 1;
    const QSize size = (shape.size() + QSizeF(2 * pad, 2 * pad)).toSize();
    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    if (shadow.isNull())
        return;
    shadow.fill(Qt::transparent);
    {
        QPainter fill(&shadow);
        fill.setRenderHint(QPainter::Antialiasing);
        QColor color = *m_shadowColor;
        color.setAlphaF(color.alphaF() * m_shadowOpacity);
        QPainterPath path;
        path.addRoundedRect(QRectF(QPointF(pad, pad), shape.size()), m_cornerRadius, m_cornerRadius);
        fill.fillPath(path, color);
    }
    if (m_shadowRadius >= 1) {
        const double factor = std::max(1.0, m_shadowRadius / 2);
        const QSize small = (QSizeF(size) / factor).toSize().expandedTo(QSize(1, 1));
        shadow = shadow.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    painter->drawImage(shape.topLeft() + QPointF(m_shadowOffset.width() - pad, m_shadowOffset.height() - pad),
                       shadow);
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
