#include "zepcommon/theme/viewlayer.h"
#include "zepcommon/theme/zeputils.h"

#include <QDialog>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// A plain red square that paints itself, so every pixel outside the red comes from the layer.
class RedWidget : public QWidget {
public:
    RedWidget() { resize(100, 100); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Qt::red); }
};

// The widget as grabbed (with its effect), laid over white.
QImage renderOnWhite(QWidget &widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, widget.grab());
    return image;
}

TEST(ViewLayerTest, CornerRadiusDecidesMasking) {
    QWidget widget;
    ViewLayer *layer = ViewLayer::of(&widget);
    EXPECT_EQ(ViewLayer::of(&widget), layer);
    layer->setCornerRadius(12);
    EXPECT_TRUE(layer->masksToBounds());
    EXPECT_DOUBLE_EQ(layer->cornerRadius(), 12);
    layer->setCornerRadius(0);
    EXPECT_FALSE(layer->masksToBounds());
}

class ShadowPropertyTest : public ::testing::TestWithParam<std::function<void(ViewLayer *)>> {};

TEST_P(ShadowPropertyTest, AnyShadowPropertyStopsMaskingEvenWithARadius) {
    QWidget widget;
    ViewLayer *layer = ViewLayer::of(&widget);
    layer->setCornerRadius(8);
    ASSERT_TRUE(layer->masksToBounds());
    GetParam()(layer);
    EXPECT_FALSE(layer->masksToBounds());
    EXPECT_DOUBLE_EQ(layer->cornerRadius(), 8);
}

INSTANTIATE_TEST_SUITE_P(Properties, ShadowPropertyTest,
                         ::testing::Values([](ViewLayer *l) { l->setShadowRadius(4); },
                                           [](ViewLayer *l) { l->setShadowOpacity(0.5f); },
                                           [](ViewLayer *l) { l->setShadowOffset(QSizeF(0, 2)); },
                                           [](ViewLayer *l) { l->setShadowColor(QColor(Qt::blue)); },
                                           [](ViewLayer *l) { l->setShadowColor(std::nullopt); }));

TEST(ViewLayerTest, ColoursCanBeCleared) {
    QWidget widget;
    ViewLayer *layer = ViewLayer::of(&widget);
    layer->setBorderColor(QColor(Qt::green));
    EXPECT_EQ(layer->borderColor(), QColor(Qt::green));
    layer->setBorderColor(std::nullopt);
    EXPECT_FALSE(layer->borderColor().has_value());
    layer->setShadowColor(std::nullopt);
    EXPECT_FALSE(layer->shadowColor().has_value());
}

TEST(ViewLayerTest, RoundedCornersClipTheContent) {
    RedWidget widget;
    ViewLayer::of(&widget)->setCornerRadius(30);
    const QImage clipped = renderOnWhite(widget);
    EXPECT_EQ(clipped.pixelColor(1, 1).rgb(), QColor(Qt::white).rgb());
    EXPECT_EQ(clipped.pixelColor(50, 50).rgb(), QColor(Qt::red).rgb());
    EXPECT_EQ(clipped.pixelColor(50, 1).rgb(), QColor(Qt::red).rgb());

    // A shadow property stops the clipping, so the corner is red again.
    ViewLayer::of(&widget)->setShadowOffset(QSizeF(0, 3));
    EXPECT_EQ(renderOnWhite(widget).pixelColor(1, 1).rgb(), QColor(Qt::red).rgb());
}

TEST(ViewLayerTest, BorderIsDrawnInsideTheEdge) {
    RedWidget widget;
    ViewLayer *layer = ViewLayer::of(&widget);
    layer->setBorderWidth(4);
    layer->setBorderColor(QColor(Qt::blue));
    const QImage image = renderOnWhite(widget);
    EXPECT_EQ(image.pixelColor(50, 1).rgb(), QColor(Qt::blue).rgb());
    EXPECT_EQ(image.pixelColor(50, 50).rgb(), QColor(Qt::red).rgb());
    // A width without a colour draws nothing.
    layer->setBorderColor(std::nullopt);
    EXPECT_EQ(renderOnWhite(widget).pixelColor(50, 1).rgb(), QColor(Qt::red).rgb());
}

TEST(ViewLayerTest, ShadowWidensTheDrawnAreaOnlyWhenVisible) {
    QWidget widget;
    ViewLayer *layer = ViewLayer::of(&widget);
    const QRectF source(0, 0, 100, 50);
    EXPECT_EQ(layer->boundingRectFor(source), source); // opacity 0: no shadow
    layer->setShadowOpacity(1);
    layer->setShadowRadius(5);
    layer->setShadowOffset(QSizeF(0, 10));
    const QRectF shadowed = layer->boundingRectFor(source);
    EXPECT_TRUE(shadowed.contains(source));
    EXPECT_GE(shadowed.bottom(), source.bottom() + 10 + 5);
}

TEST(ViewLayerTest, ShadowIsPaintedBelowTheWidget) {
    QWidget parent;
    parent.resize(200, 200);
    parent.setStyleSheet("background: white");
    auto *child = new RedWidget;
    child->setParent(&parent);
    child->move(50, 50);
    const auto belowChild = [&] {
        return parent.grab().toImage().pixelColor(100, 153);
    };
    EXPECT_EQ(belowChild(), QColor(Qt::white));
    ViewLayer *layer = ViewLayer::of(child);
    layer->setShadowOpacity(1);
    layer->setShadowRadius(4);
    layer->setShadowOffset(QSizeF(0, 6));
    EXPECT_LT(belowChild().lightness(), 200);
    layer->setShadowColor(std::nullopt); // no colour, no shadow
    EXPECT_EQ(belowChild(), QColor(Qt::white));
}

// Windows are created per test and the application window is cleared afterwards.
class TopMostWindowTest : public ::testing::Test {
protected:
    void TearDown() override { ZEPUtils::setApplicationWindow(nullptr); }
};

TEST_F(TopMostWindowTest, NoVisibleWindowGivesNothing) {
    QWidget hidden;
    EXPECT_EQ(ZEPUtils::getTopMostViewController(), nullptr);
}

TEST_F(TopMostWindowTest, FollowsVisibleDialogsOpenedOverTheApplicationWindow) {
    QWidget main;
    main.show();
    ZEPUtils::setApplicationWindow(main.windowHandle());
    EXPECT_EQ(ZEPUtils::getTopMostViewController(), main.windowHandle());

    QDialog sheet(&main);
    sheet.show();
    EXPECT_EQ(ZEPUtils::getTopMostViewController(), sheet.windowHandle());

    QDialog alert(&sheet);
    alert.show();
    EXPECT_EQ(ZEPUtils::getTopMostViewController(), alert.windowHandle());

    alert.hide();
    EXPECT_EQ(ZEPUtils::getTopMostViewController(), sheet.windowHandle());
    sheet.hide();
    EXPECT_EQ(ZEPUtils::getTopMostViewController(), main.windowHandle());
}

TEST_F(TopMostWindowTest, WithoutApplicationWindowStartsAtAVisibleTopLevelWindow) {
    QWidget main;
    main.show();
    QDialog dialog(&main);
    dialog.show();
    EXPECT_EQ(ZEPUtils::getTopMostViewController(), dialog.windowHandle());
}

} // namespace
