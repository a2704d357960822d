#include "zepcommon/rating/cosmosview.h"

#include "zepcommon/rating/cosmosmath.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace rating {

namespace {

// The view as one adjustable element: a slider whose value is the displayed rating, stepped by
// the increase and decrease actions.
class CosmosAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CosmosAccessible(CosmosView *view)
        : QAccessibleWidget(view, QAccessible::Slider) {}

    CosmosView *view() const { return static_cast<CosmosView *>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return view()->accessibilityLabel();
        if (t == QAccessible::Value)
            return view()->accessibilityValue();
        return QAccessibleWidget::text(t);
    }

    QAccessible::Role role() const override {
        return view()->isAccessibilityAdjustable() ? QAccessible::Slider : QAccessible::StaticText;
    }

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return view()->accessibilityValue().toDouble(); }
    void setCurrentValue(const QVariant &value) override {
        if (view()->isAccessibilityAdjustable())
            view()->setRating(value.toDouble());
    }
    QVariant maximumValue() const override { return view()->totalStars(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return accessibilityStep(StarFillMode(view()->fillMode())); }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (view()->isAccessibilityAdjustable())
            names << increaseAction() << decreaseAction();
        return names;
    }
    void doAction(const QString &name) override {
        if (name == increaseAction())
            view()->accessibilityIncrement();
        else if (name == decreaseAction())
            view()->accessibilityDecrement();
        else
            QAccessibleWidget::doAction(name);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }
};

QAccessibleInterface *cosmosAccessibleFactory(const QString &className, QObject *object) {
    if (className == QLatin1String(CosmosView::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new CosmosAccessible(static_cast<CosmosView *>(object));
    return nullptr;
}

} // namespace

CosmosView::CosmosView(QWidget *parent)
    : CosmosView(CosmosSettings(), parent) {}

CosmosView::CosmosView(const CosmosSettings &settings, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(cosmosAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("cosmosView"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    settingsChanged();
}

CosmosView::~CosmosView() = default;

void CosmosView::setRating(double rating) {
    if (m_rating == rating)
        return;
    m_rating = rating;
    update();
    announce();
}

void CosmosView::setText(const QString &text) {
    const std::optional<QString> value = text.isEmpty() ? std::nullopt : std::optional<QString>(text);
    if (m_text == value)
        return;
    m_text = value;
    settingsChanged();
}

void CosmosView::setSettings(const CosmosSettings &settings) {
    m_settings = settings;
    settingsChanged();
}

template <class T> void CosmosView::change(T &field, const T &value) {
    field = value;
    settingsChanged();
}

void CosmosView::setTotalStars(int count) {
    change(m_settings.totalStars, count);
}
void CosmosView::setStarSize(double size) {
    change(m_settings.starSize, size);
}
void CosmosView::setFilledColor(const QColor &color) {
    change(m_settings.filledColor, color);
}
void CosmosView::setEmptyColor(const QColor &color) {
    change(m_settings.emptyColor, color);
}
void CosmosView::setEmptyBorderColor(const QColor &color) {
    change(m_settings.emptyBorderColor, color);
}
void CosmosView::setEmptyBorderWidth(double width) {
    change(m_settings.emptyBorderWidth, width);
}
void CosmosView::setFilledBorderColor(const QColor &color) {
    change(m_settings.filledBorderColor, color);
}
void CosmosView::setFilledBorderWidth(double width) {
    change(m_settings.filledBorderWidth, width);
}
void CosmosView::setStarMargin(double margin) {
    change(m_settings.starMargin, margin);
}
void CosmosView::setTextMargin(double margin) {
    change(m_settings.textMargin, margin);
}
void CosmosView::setTextColor(const QColor &color) {
    change(m_settings.textColor, color);
}
void CosmosView::setUpdateOnTouch(bool update) {
    change(m_settings.updateOnTouch, update);
}
void CosmosView::setMinTouchRating(double rating) {
    change(m_settings.minTouchRating, rating);
}
void CosmosView::setFilledImage(const QImage &image) {
    change(m_settings.filledImage, image);
}
void CosmosView::setEmptyImage(const QImage &image) {
    change(m_settings.emptyImage, image);
}

void CosmosView::setFillMode(int mode) {
    if (mode < int(StarFillMode::Full) || mode > int(StarFillMode::Precise))
        return;
    change(m_settings.fillMode, StarFillMode(mode));
}

void CosmosView::setTextSize(double size) {
    if (size <= 0)
        return;
    m_settings.textFont.setPointSizeF(size);
    settingsChanged();
}

void CosmosView::settingsChanged() {
    setFocusPolicy(m_settings.updateOnTouch ? Qt::StrongFocus : Qt::NoFocus);
    updateGeometry();
    update();
    announce();
}

void CosmosView::announce() {
    setAccessibleName(accessibilityLabel());
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, accessibilityValue().toDouble());
        QAccessible::updateAccessibility(&event);
    }
}

QSizeF CosmosView::measureText(const QString &text) const {
    if (text.isEmpty())
        return {};
    const QFontMetricsF metrics(m_settings.textFont);
    return {std::ceil(metrics.horizontalAdvance(text)), std::ceil(metrics.height())};
}

QSize CosmosView::viewSize() const {
    const QSizeF size = cosmosViewSize(m_settings, measureText(text()));
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

QString CosmosView::accessibilityLabel() const {
    return rating::accessibilityLabel(QLocale().uiLanguages(), text());
}

QString CosmosView::accessibilityValue() const {
    return rating::accessibilityValue(m_rating, m_settings);
}

void CosmosView::accessibilityIncrement() {
    adjustBy(accessibilityStep(m_settings.fillMode));
}
void CosmosView::accessibilityDecrement() {
    adjustBy(-accessibilityStep(m_settings.fillMode));
}

void CosmosView::adjustBy(double step) {
    if (!m_settings.updateOnTouch)
        return;
    const double current = displayedRating(m_rating, m_settings.fillMode, m_settings.totalStars);
    // Precise steps of 0.1 are kept on the tenths, away from binary leftovers.
    const double next = std::round((current + step) * 10) / 10;
    const double rating = std::max(m_settings.minTouchRating,
                                   displayedRating(next, m_settings.fillMode, m_settings.totalStars));
    setRating(rating);
    if (rating != m_previousTouchRating) {
        m_previousTouchRating = rating;
        if (didTouchRating)
            didTouchRating(rating);
    }
    if (didFinishTouchingRating)
        didFinishTouchingRating(rating);
}

void CosmosView::touched(double x) {
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const double rating = ratingForTouch(flipForLayout(x, width(), rightToLeft), m_settings);
    if (m_settings.updateOnTouch)
        setRating(rating);
    if (rating != m_previousTouchRating) {
        m_previousTouchRating = rating;
        if (didTouchRating)
            didTouchRating(rating);
    }
}

void CosmosView::forwardToParent(QMouseEvent *event) {
    QWidget *parent = parentWidget();
    if (!m_settings.passTouchesToSuperview || !parent)
        return;
    const QPointF position = mapToParent(event->position());
    QMouseEvent copy(event->type(), position, mapToGlobal(event->position()), event->button(),
                     event->buttons(), event->modifiers(), event->pointingDevice());
    QCoreApplication::sendEvent(parent, &copy);
}

void CosmosView::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    touched(event->position().x());
    event->accept();
    forwardToParent(event);
}

void CosmosView::mouseMoveEvent(QMouseEvent *event) {
    if (!(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    if (!m_settings.disablePanGestures)
        touched(event->position().x());
    event->accept();
    forwardToParent(event);
}

void CosmosView::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    if (didFinishTouchingRating)
        didFinishTouchingRating(m_rating);
    event->accept();
    forwardToParent(event);
}

void CosmosView::keyPressEvent(QKeyEvent *event) {
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    switch (event->key()) {
    case Qt::Key_Up:
        return accessibilityIncrement();
    case Qt::Key_Down:
        return accessibilityDecrement();
    case Qt::Key_Right:
        return rightToLeft ? accessibilityDecrement() : accessibilityIncrement();
    case Qt::Key_Left:
        return rightToLeft ? accessibilityIncrement() : accessibilityDecrement();
    default:
        QWidget::keyPressEvent(event);
    }
}

void CosmosView::changeEvent(QEvent *event) {
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::ThemeChange:
    case QEvent::StyleChange:
    case QEvent::LayoutDirectionChange:
        update();
        break;
    case QEvent::FontChange:
    case QEvent::LanguageChange:
    case QEvent::LocaleChange:
        settingsChanged();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void CosmosView::drawStar(QPainter &painter, const QRectF &box, double level) const {
    const auto drawWhole = [&](bool filled) {
        const QImage &image = filled ? m_settings.filledImage : m_settings.emptyImage;
        if (!image.isNull()) {
            painter.drawImage(box, image);
            return;
        }
        const double border = filled ? m_settings.filledBorderWidth : m_settings.emptyBorderWidth;
        QPainterPath path;
        path.addPolygon(starPolygon(m_settings, box));
        path.closeSubpath();
        painter.fillPath(path, filled ? m_settings.filledColor : m_settings.emptyColor);
        if (border > 0)
            painter.strokePath(path, QPen(filled ? m_settings.filledBorderColor : m_settings.emptyBorderColor,
                                          border, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    };
    if (level < 1) {
        drawWhole(false);
    }
    if (level <= 0)
        return;
    painter.save();
    // A partly filled star is the empty star with the filled one over it, cut at the fraction
    // (the border's half width outside the box stays with the filled part).
    const double outside = std::max(m_settings.filledBorderWidth, m_settings.emptyBorderWidth);
    QRectF clip = box.adjusted(-outside, -outside, outside, outside);
    if (level < 1)
        clip.setRight(box.left() + box.width() * level);
    painter.setClipRect(clip, Qt::IntersectClip);
    drawWhole(true);
    painter.restore();
}

void CosmosView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const double top = (height() - m_settings.starSize) / 2;
    painter.save();
    if (rightToLeft) {
        // Mirrored, so that the first star and the fill start at the right.
        painter.translate(width(), 0);
        painter.scale(-1, 1);
    }
    for (int i = 0; i < m_settings.totalStars; ++i)
        drawStar(painter, starRect(i, m_settings).translated(0, top),
                 starFillLevel(m_rating, i, m_settings.fillMode));
    painter.restore();

    if (!m_text)
        return;
    const QSizeF size = measureText(*m_text);
    const double start = starsWidth(m_settings) + (m_settings.totalStars > 0 ? m_settings.textMargin : 0);
    QRectF textBox(start, (height() - size.height()) / 2, size.width(), size.height());
    if (rightToLeft)
        textBox.moveLeft(width() - textBox.right());
    painter.setFont(m_settings.textFont);
    painter.setPen(m_settings.textColor);
    painter.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeading, *m_text);
}

} // namespace rating
