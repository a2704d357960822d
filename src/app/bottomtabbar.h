#pragma once

#include <QColor>
#include <QImage>
#include <QTabBar>
#include <vector>

class QVariantAnimation;

// The tab bar at the bottom of the main window: tabs of equal width, each an icon above its
// title, the selected one in the accent colour and the others grey. bounceIcons() plays the tab
// icon bounce: every icon is scaled through 1.0, 1.4, 0.9, 1.1 and back to 1.0 at the key times
// 0, 0.3, 0.5, 0.7 and 1 over 0.6 s, by an animation object named "bounceAnimation".
class BottomTabBar : public QTabBar {
    Q_OBJECT
public:
    static constexpr int barHeight = 58;
    static constexpr int iconSide = 26;
    static constexpr int bounceDurationMs = 600;

    explicit BottomTabBar(QWidget *parent = nullptr);

    // The picture of a tab's icon; drawn in the tab's colour through its alpha.
    void setTabImage(int index, const QImage &image);
    void setAccentColor(const QColor &color);
    QColor accentColor() const { return m_accent; }
    QColor inactiveColor() const { return m_inactive; }

    void bounceIcons();
    qreal iconScale() const { return m_iconScale; }
    QVariantAnimation *bounceAnimation() const { return m_bounce; }

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    QImage tinted(int index, const QColor &color) const;

    std::vector<QImage> m_images;
    QColor m_accent; // the palette's highlight until the theme gives one
    QColor m_inactive{0x8E, 0x8E, 0x93};
    QColor m_background{0xF9, 0xF9, 0xF9};
    QColor m_separator{0xD1, 0xD1, 0xD6};
    QVariantAnimation *m_bounce;
    qreal m_iconScale = 1.0;
};
