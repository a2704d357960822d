// The star view: touches to ratings, the displayed rating, accessibility, and what it draws.
#include "zepcommon/rating/cosmosmath.h"
#include "zepcommon/rating/cosmosview.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace rating;

namespace {

struct TouchCase {
    StarFillMode mode;
    double x;
    double minTouchRating;
    double expected;
};

class TouchRatingTest : public ::testing::TestWithParam<TouchCase> {};

TEST_P(TouchRatingTest, GivesTheDisplayedRating) {
    CosmosSettings settings;
    settings.fillMode = GetParam().mode;
    settings.minTouchRating = GetParam().minTouchRating;
    EXPECT_DOUBLE_EQ(ratingForTouch(GetParam().x, settings), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Defaults, TouchRatingTest,
    ::testing::Values(
        // In the margin after the first star: 1 in every mode.
        TouchCase{StarFillMode::Full, 23, 1, 1}, TouchCase{StarFillMode::Half, 23, 1, 1},
        TouchCase{StarFillMode::Precise, 23, 1, 1},
        // Half-way into the second star: 1.5 raw.
        TouchCase{StarFillMode::Full, 35, 1, 1}, TouchCase{StarFillMode::Half, 35, 1, 1.5},
        TouchCase{StarFillMode::Precise, 35, 1, 1.5},
        // minTouchRating keeps the far left from giving 0, and 0 lets it.
        TouchCase{StarFillMode::Full, 0, 1, 1}, TouchCase{StarFillMode::Full, -4, 1, 1},
        TouchCase{StarFillMode::Full, 0, 0, 0}, TouchCase{StarFillMode::Precise, 2, 0, 0.1},
        // Past the stars: all of them.
        TouchCase{StarFillMode::Half, 118, 1, 5}, TouchCase{StarFillMode::Full, 400, 1, 5}));

TEST(CosmosMathTest, DisplayedRatingAndAccessibilityTexts) {
    EXPECT_DOUBLE_EQ(displayedRating(2.7, StarFillMode::Half, 5), 2.5);
    EXPECT_DOUBLE_EQ(displayedRating(-1, StarFillMode::Precise, 5), 0);
    EXPECT_DOUBLE_EQ(displayedRating(7.5, StarFillMode::Half, 5), 5);

    CosmosSettings settings;
    const struct {
        StarFillMode mode;
        double rating;
        const char *value;
    } values[] = {{StarFillMode::Full, 2.7, "2"},
                  {StarFillMode::Half, 2.5, "2.5"},
                  {StarFillMode::Precise, 3.46, "3.5"},
                  {StarFillMode::Precise, 4, "4"}};
    for (const auto &row : values) {
        settings.fillMode = row.mode;
        EXPECT_EQ(accessibilityValue(row.rating, settings), QString(row.value)) << row.rating;
    }

    EXPECT_EQ(accessibilityLabel({}, {}), "Rating");
    EXPECT_EQ(accessibilityLabel({"de-AT", "en-US"}, {}), "Bewertung");
    EXPECT_EQ(accessibilityLabel({"xx", "fr_CA"}, "(120)"), "Note (120)");
    EXPECT_EQ(accessibilityLabel({"zh-Hant-TW"}, {}), QString::fromUtf8("評分"));
}

TEST(CosmosViewTest, RightToLeftTouchNearTheRightEdgeGivesALowRating) {
    CosmosView view;
    view.setFillMode(int(StarFillMode::Half));
    view.resize(view.sizeHint());
    ASSERT_EQ(view.sizeHint(), QSize(120, 20));
    QList<double> touched;
    QList<double> finished;
    view.didTouchRating = [&](double rating) {
        touched << rating;
    };
    view.didFinishTouchingRating = [&](double rating) {
        finished << rating;
    };

    view.setLayoutDirection(Qt::RightToLeft);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(110, 10));
    QTest::mouseMove(&view, QPoint(109, 10));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(109, 10));
    EXPECT_EQ(view.rating(), 1);
    EXPECT_EQ(touched, QList<double>{1}); // the move to the same rating calls nothing
    EXPECT_EQ(finished, QList<double>{1});

    view.setLayoutDirection(Qt::LeftToRight);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(110, 10));
    EXPECT_EQ(view.rating(), 4.5);

    view.setUpdateOnTouch(false);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(view.rating(), 4.5);
    EXPECT_EQ(touched.last(), 1);
}

TEST(CosmosViewTest, IsOneAdjustableAccessibleElement) {
    CosmosView view;
    view.setFillMode(int(StarFillMode::Half));
    view.setText(QStringLiteral("(42)"));
    view.setRating(2.5);
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->role(), QAccessible::Slider);
    EXPECT_EQ(element->childCount(), 0);
    EXPECT_TRUE(element->text(QAccessible::Name).endsWith(" (42)"));
    EXPECT_EQ(element->text(QAccessible::Value), "2.5");

    QAccessibleActionInterface *actions = element->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(element->text(QAccessible::Value), "3");
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Left);
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.rating(), 2);
    ASSERT_NE(element->valueInterface(), nullptr);
    EXPECT_EQ(element->valueInterface()->maximumValue().toInt(), 5);

    view.setUpdateOnTouch(false);
    EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::increaseAction()));
}

// Rendered stars against the geometry: a filled star's inside is the orange, an empty one's the
// background, and a half star is orange left of its middle only.
struct PictureCase {
    StarFillMode mode;
    double rating;
    QList<double> levels; // per star: 0 empty, 0.5 half, 1 filled
};

class CosmosPictureTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(CosmosPictureTest, FillsTheStarsOfTheRating) {
    CosmosView view;
    view.setFillMode(int(GetParam().mode));
    view.setRating(GetParam().rating);
    view.resize(view.sizeHint());
    QImage picture(view.size(), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    view.render(&picture, {}, {}, QWidget::DrawChildren); // over the white, without a window background

    const CosmosSettings &settings = view.settings();
    const QColor orange(255, 149, 0);
    for (int i = 0; i < settings.totalStars; ++i) {
        const QRectF box = starRect(i, settings);
        // Both pixels lie wholly inside the outline, left and right of the middle line.
        const int row = int(box.top() + box.height() * 0.45);
        const QPoint left(int(box.left() + box.width() * 0.35), row);
        const QPoint right(int(box.left() + box.width() * 0.65), row);
        const double level = GetParam().levels[i];
        EXPECT_EQ(picture.pixelColor(left) == orange, level > 0) << "star " << i << " left";
        EXPECT_EQ(picture.pixelColor(right) == orange, level == 1) << "star " << i << " right";
        if (level < 1) {
            EXPECT_EQ(picture.pixelColor(right), QColor(Qt::white)) << "star " << i;
        }
    }
    // The outline of the last star is drawn in every case.
    const QRectF last = starRect(settings.totalStars - 1, settings);
    EXPECT_NE(picture.pixelColor(QPointF(last.left() + 0.495 * last.width(), last.top() + 1).toPoint()),
              QColor(Qt::white));
}

INSTANTIATE_TEST_SUITE_P(ZeroHalfAndFive, CosmosPictureTest,
                         ::testing::Values(PictureCase{StarFillMode::Full, 0, {0, 0, 0, 0, 0}},
                                           PictureCase{StarFillMode::Half, 0, {0, 0, 0, 0, 0}},
                                           PictureCase{StarFillMode::Precise, 0, {0, 0, 0, 0, 0}},
                                           PictureCase{StarFillMode::Full, 2.5, {1, 1, 1, 0, 0}},
                                           PictureCase{StarFillMode::Half, 2.5, {1, 1, 0.5, 0, 0}},
                                           PictureCase{StarFillMode::Precise, 2.5, {1, 1, 0.5, 0, 0}},
                                           PictureCase{StarFillMode::Full, 5, {1, 1, 1, 1, 1}},
                                           PictureCase{StarFillMode::Half, 5, {1, 1, 1, 1, 1}},
                                           PictureCase{StarFillMode::Precise, 5, {1, 1, 1, 1, 1}}));

} // namespace
