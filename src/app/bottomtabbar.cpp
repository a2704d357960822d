#include "app/bottomtabbar.h"

#include "zepcommon/theme/zepcolors.h"

#include <QPainter>
#include <QVariantAnimation>

BottomTabBar::BottomTabBar(QWidget *parent)
    : QTabBar(parent)
    , m_bounce(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("mainTabBar"));
    setExpanding(true);
    setDrawBase(false);
    setDocumentMode(true);
    setElideMode(Qt::ElideRight);
    setUsesScrollButtons(false);
    m_accent = palette().color(QPalette::Highlight);
    if (const auto cell = ZEPColors::themeColorWithName(ZEPColors::cellBackground()))
        m_background = *cell;
    if (const auto line = ZEPColors::themeColorWithName(ZEPColors::cellSeperator()))
        m_separator = *line;

    m_bounce->setObjectName(QStringLiteral("bounceAnimation"));
    m_bounce->setDuration(bounceDurationMs);
    m_bounce->setKeyValues({{0.0, 1.0}, {0.3, 1.4}, {0.5, 0.9}, {0.7, 1.1}, {1.0, 1.0}});
    connect(m_bounce, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_iconScale = value.toReal();
        update();
    });
    connect(m_bounce, &QVariantAnimation::finished, this, [this] {
        m_iconScale = 1.0;
        update();
    });
}

void BottomTabBar::setTabImage(int index, const QImage &image) {
    if (index < 0)
        return;
    if (size_t(index) >= m_images.size())
        m_images.resize(size_t(index) + 1);
    m_images[size_t(index)] = image;
    update();
}

void BottomTabBar::setAccentColor(const QColor &color) {
    m_accent = color;
    update();
}

void BottomTabBar::bounceIcons() {
    m_bounce->stop();
    m_bounce->start();
}

QSize BottomTabBar::tabSizeHint(int index) const {
    const int tabs = qMax(1, count());
    const int width = qMax(minimumTabSizeHint(index).width(), this->width() / tabs);
    return {width, barHeight};
}

QSize BottomTabBar::minimumTabSizeHint(int) const {
    return {72, barHeight};
}

QImage BottomTabBar::tinted(int index, const QColor &color) const {
    if (index < 0 || size_t(index) >= m_images.size() || m_images[size_t(index)].isNull())
        return {};
    QImage image = m_images[size_t(index)].convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

void BottomTabBar::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(rect(), m_background);
    painter.fillRect(QRect(0, 0, width(), 1), m_separator);

    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * 0.8);
    painter.setFont(font);
    for (int i = 0; i < count(); ++i) {
        const QRect tab = tabRect(i);
        const QColor color = i == currentIndex() ? m_accent : m_inactive;
        const QImage icon = tinted(i, color);
        if (!icon.isNull()) {
            const qreal side = iconSide * m_iconScale;
            const QPointF center(tab.center().x() + 0.5, tab.top() + 8 + iconSide / 2.0);
            painter.drawImage(QRectF(center.x() - side / 2, center.y() - side / 2, side, side), icon);
        }
        painter.setPen(color);
        const QRect textRect(tab.left() + 2, tab.top() + 8 + iconSide + 2, tab.width() - 4,
                             tab.height() - iconSide - 12);
        painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop,
                         painter.fontMetrics().elidedText(tabText(i), Qt::ElideRight, textRect.width()));
    }
}
