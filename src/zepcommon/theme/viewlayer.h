#pragma once

#include <QColor>
#include <QGraphicsEffect>
#include <QSizeF>
#include <optional>

class QWidget;

// Layer properties for any widget: rounded corners with optional clipping, a border and a drop
// shadow, drawn as a graphics effect over the widget's own painting. ViewLayer::of(widget)
// attaches one on first use (the widget owns it) and returns the same one afterwards.
//
// Clipping follows the corner radius: a radius above 0 clips the content to the rounded shape,
// 0 stops clipping. Setting any shadow property stops clipping, since a clipped layer would hide
// its own shadow. A widget with another graphics effect gets that effect replaced.
class ViewLayer : public QGraphicsEffect {
    Q_OBJECT
public:
    static ViewLayer *of(QWidget *widget);

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks);

    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width);
    std::optional<QColor> borderColor() const { return m_borderColor; }
    void setBorderColor(std::optional<QColor> color);

    double shadowRadius() const { return m_shadowRadius; }
    void setShadowRadius(double radius);
    float shadowOpacity() const { return m_shadowOpacity; }
    void setShadowOpacity(float opacity);
    QSizeF shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(const QSizeF &offset);
    std::optional<QColor> shadowColor() const { return m_shadowColor; }
    void setShadowColor(std::optional<QColor> color);

    QRectF boundingRectFor(const QRectF &sourceRect) const override;

protected:
    void draw(QPainter *painter) override;

private:
    explicit ViewLayer(QObject *parent);
    void drawShadow(QPainter *painter, const QRectF &shape) const;
    void changed();

    double m_cornerRadius = 0;
    bool m_masksToBounds = false;
    double m_borderWidth = 0;
    std::optional<QColor> m_borderColor;
    double m_shadowRadius = 3; // the phone platform's defaults
    float m_shadowOpacity = 0;
    QSizeF m_shadowOffset{0, -3};
    std::optional<QColor> m_shadowColor = QColor(Qt::black);
};
