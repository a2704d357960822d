#pragma once

#include "zepcommon/rating/cosmossettings.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace rating {

// A row of stars showing a rating, with an optional text after them; read-only in lists, or
// adjustable by mouse, touch, arrow keys and assistive technology.
//
// A press or drag over the stars turns the position into a rating (ratingForTouch; mirrored in
// right-to-left layouts, where the first star sits at the right). When updateOnTouch is set the
// rating follows; didTouchRating runs with each new rating while the pointer moves and
// didFinishTouchingRating once when it is released. Setting any property redraws the view and
// updates its size hint (the stars and the text). The view redraws when the palette changes,
// which is how a light or dark switch reaches it. GUI thread only.
class CosmosView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double rating READ rating WRITE setRating)
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(int totalStars READ totalStars WRITE setTotalStars)
    Q_PROPERTY(double starSize READ starSize WRITE setStarSize)
    Q_PROPERTY(QColor filledColor READ filledColor WRITE setFilledColor)
    Q_PROPERTY(QColor emptyColor READ emptyColor WRITE setEmptyColor)
    Q_PROPERTY(QColor emptyBorderColor READ emptyBorderColor WRITE setEmptyBorderColor)
    Q_PROPERTY(double emptyBorderWidth READ emptyBorderWidth WRITE setEmptyBorderWidth)
    Q_PROPERTY(QColor filledBorderColor READ filledBorderColor WRITE setFilledBorderColor)
    Q_PROPERTY(double filledBorderWidth READ filledBorderWidth WRITE setFilledBorderWidth)
    Q_PROPERTY(double starMargin READ starMargin WRITE setStarMargin)
    Q_PROPERTY(int fillMode READ fillMode WRITE setFillMode)
    Q_PROPERTY(double textSize READ textSize WRITE setTextSize)
    Q_PROPERTY(double textMargin READ textMargin WRITE setTextMargin)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(bool updateOnTouch READ updateOnTouch WRITE setUpdateOnTouch)
    Q_PROPERTY(double minTouchRating READ minTouchRating WRITE setMinTouchRating)
    Q_PROPERTY(QImage filledImage READ filledImage WRITE setFilledImage)
    Q_PROPERTY(QImage emptyImage READ emptyImage WRITE setEmptyImage)
public:
    using RatingHandler = std::function<void(double rating)>;

    explicit CosmosView(QWidget *parent = nullptr);
    explicit CosmosView(const CosmosSettings &settings, QWidget *parent = nullptr);
    ~CosmosView() override;

    double rating() const { return m_rating; }
    void setRating(double rating);
    std::optional<QString> optionalText() const { return m_text; }
    QString text() const { return m_text.value_or(QString()); }
    // An empty text removes it.
    void setText(const QString &text);

    const CosmosSettings &settings() const { return m_settings; }
    void setSettings(const CosmosSettings &settings);

    // The stars and the text; the size hint and intrinsicContentSize.
    QSize viewSize() const;
    QSize intrinsicContentSize() const { return viewSize(); }
    QSize sizeHint() const override { return viewSize(); }
    QSize minimumSizeHint() const override { return viewSize(); }

    RatingHandler didTouchRating;
    RatingHandler didFinishTouchingRating;
    // The last rating handed to didTouchRating (or set by a touch); no call repeats it.
    double previousRatingForDidTouchCallback() const { return m_previousTouchRating; }

    // Settings, one by one.
    int totalStars() const { return m_settings.totalStars; }
    void setTotalStars(int count);
    double starSize() const { return m_settings.starSize; }
    void setStarSize(double size);
    QColor filledColor() const { return m_settings.filledColor; }
    void setFilledColor(const QColor &color);
    QColor emptyColor() const { return m_settings.emptyColor; }
    void setEmptyColor(const QColor &color);
    QColor emptyBorderColor() const { return m_settings.emptyBorderColor; }
    void setEmptyBorderColor(const QColor &color);
    double emptyBorderWidth() const { return m_settings.emptyBorderWidth; }
    void setEmptyBorderWidth(double width);
    QColor filledBorderColor() const { return m_settings.filledBorderColor; }
    void setFilledBorderColor(const QColor &color);
    double filledBorderWidth() const { return m_settings.filledBorderWidth; }
    void setFilledBorderWidth(double width);
    double starMargin() const { return m_settings.starMargin; }
    void setStarMargin(double margin);
    // The raw value of StarFillMode; values outside 0 to 2 are ignored.
    int fillMode() const { return int(m_settings.fillMode); }
    void setFillMode(int mode);
    // The text font's point size.
    double textSize() const { return m_settings.textFont.pointSizeF(); }
    void setTextSize(double size);
    double textMargin() const { return m_settings.textMargin; }
    void setTextMargin(double margin);
    QColor textColor() const { return m_settings.textColor; }
    void setTextColor(const QColor &color);
    bool updateOnTouch() const { return m_settings.updateOnTouch; }
    void setUpdateOnTouch(bool update);
    double minTouchRating() const { return m_settings.minTouchRating; }
    void setMinTouchRating(double rating);
    QImage filledImage() const { return m_settings.filledImage; }
    void setFilledImage(const QImage &image);
    QImage emptyImage() const { return m_settings.emptyImage; }
    void setEmptyImage(const QImage &image);

    // Accessibility: "Rating" in the user's language (and the text), the displayed rating, and
    // the increment and decrement assistive technology calls on an adjustable view.
    QString accessibilityLabel() const;
    QString accessibilityValue() const;
    bool isAccessibilityAdjustable() const { return m_settings.updateOnTouch; }
    void accessibilityIncrement();
    void accessibilityDecrement();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    template <class T> void change(T &field, const T &value);
    void settingsChanged();
    void touched(double x);
    void adjustBy(double step);
    void forwardToParent(QMouseEvent *event);
    void announce();
    QSizeF measureText(const QString &text) const;
    void drawStar(QPainter &painter, const QRectF &box, double level) const;

    CosmosSettings m_settings;
    double m_rating = 0;
    std::optional<QString> m_text;
    double m_previousTouchRating = -1;
};

} // namespace rating
