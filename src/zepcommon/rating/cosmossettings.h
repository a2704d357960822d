#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QVector>

namespace rating {

// How the star at the rating's fraction is drawn: whole or nothing, half or whole, or filled to
// the exact fraction. The numbers are the raw values hosts store.
enum class StarFillMode { Full = 0, Half = 1, Precise = 2 };

// The orange of the stars, borders and fill alike.
inline QColor cosmosOrange() {
    return QColor::fromRgbF(1.0f, 149.0f / 255.0f, 0.0f, 1.0f);
}

// One device pixel in logical units on the primary screen (1 without a screen).
double onePixelWidth();

// The system's footnote font: the general font, a notch below body size.
QFont footnoteFont();

// Everything a CosmosView draws with and how it answers touches, with the framework's defaults.
// A value type: views copy it. The font and the pixel width are read from the running GUI
// application, so a CosmosSettings is made only once one exists.
struct CosmosSettings {
    QColor emptyBorderColor = cosmosOrange();
    double emptyBorderWidth = onePixelWidth();
    QColor filledBorderColor = cosmosOrange();
    double filledBorderWidth = onePixelWidth();
    QColor emptyColor = Qt::transparent;
    QColor filledColor = cosmosOrange();
    StarFillMode fillMode = StarFillMode::Full;
    double starMargin = 5;
    // A star's outline in a 100 × 100 box, scaled to starSize when drawn.
    QVector<QPointF> starPoints = {{49.5, 0},  {60.5, 35}, {99, 35},   {67.5, 58}, {78.5, 92},
                                   {49.5, 71}, {20.5, 92}, {31.5, 58}, {0, 35},    {38.5, 35}};
    double starSize = 20;
    int totalStars = 5;
    // Drawn in place of the polygons when set.
    QImage filledImage;
    QImage emptyImage;
    QColor textColor = QColor::fromRgbF(127.0f / 255.0f, 127.0f / 255.0f, 127.0f / 255.0f, 1.0f);
    QFont textFont = footnoteFont();
    double textMargin = 5;
    double minTouchRating = 1;
    bool passTouchesToSuperview = true;
    bool updateOnTouch = true;
    bool disablePanGestures = false;
};

} // namespace rating
