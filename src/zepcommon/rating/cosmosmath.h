#pragma once

#include "zepcommon/rating/cosmossettings.h"

#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// The star view's arithmetic, apart from any widget: layout, fill levels, touch to rating and the
// accessibility texts. Pure functions of their arguments.
namespace rating {

// The rating as touches and the accessibility value see it: the whole part plus the fraction
// (kept within 0 to 1) reduced by the fill mode — dropped in full mode (a fraction of exactly 1
// stays), floored to halves in half mode, kept in precise mode — then held within 0 and
// totalStars.
double displayedRating(double rating, StarFillMode mode, int totalStars);

// The raw rating under a touch at x (already flipped for right-to-left layouts): 0 left of the
// stars, k + 1 in the margin after star k, else k plus the part of star k left of x; totalStars
// past the last star's slot.
double touchRating(double x, const CosmosSettings &settings);

// The rating a touch at x sets: the raw rating nudged up (0.45 in full mode, 0.2 in half mode)
// so that a touch past a star's middle counts it, reduced to the displayed rating and raised to
// minTouchRating.
double ratingForTouch(double x, const CosmosSettings &settings);

// A horizontal position in view coordinates measured from the stars' start edge.
inline double flipForLayout(double x, double width, bool rightToLeft) {
    return rightToLeft ? width - x : x;
}

// How much of star `index` (from 0) is drawn filled, from 0 to 1: stars below the rating are
// full, stars above empty, and the star at the fraction is rounded to whole (full mode), to a
// half (half mode) or kept exact (precise mode).
double starFillLevel(double rating, int index, StarFillMode mode);

// The box of star `index` with the first star's left edge at 0, stars laid left to right.
QRectF starRect(int index, const CosmosSettings &settings);
// The star's outline scaled from the 100 × 100 box into `box`.
QPolygonF starPolygon(const CosmosSettings &settings, const QRectF &box);

// The width of the stars alone.
double starsWidth(const CosmosSettings &settings);
// Stars, then textMargin and a text of `textSize` when there is text (an empty size means none).
QSizeF cosmosViewSize(const CosmosSettings &settings, const QSizeF &textSize);

// The accessibility label: the word for "Rating" in the first of `languages` the table knows
// (a tag such as "de-AT" falls back to "de"; English when none matches), then a space and the
// text when there is one.
QString accessibilityLabel(const QStringList &languages, const QString &text);
// The accessibility value: the displayed rating as a whole number, or with one decimal.
QString accessibilityValue(double rating, const CosmosSettings &settings);
// The step of the accessibility increment and decrement: 1, 0.5 or 0.1 by fill mode.
double accessibilityStep(StarFillMode mode);

} // namespace rating
