#include "zepcommon/loading/rlottieplayer.h"
#include "manualclock.h"
#include "zepcommon/loading/animationlocator.h"
#include "zepcommon/loading/apploadingscreen.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <gtest/gtest.h>

namespace {

// The common bundle's animation of about two seconds: 60 frames at 30 frames a second.
QByteArray bundledAnimation() {
    const auto path = AnimationLocator().find("loading-dots");
    EXPECT_TRUE(path.has_value());
    QByteArray json;
    EXPECT_TRUE(AnimationLocator::read(*path, [&](const QByteArray &bytes) {
        json = QByteArray(bytes.constData(), bytes.size()); // a deep copy outlives the map
        return true;
    }));
    return json;
}

TEST(RlottiePlayerTest, PlaysOnceAtTheChosenSpeed) {
    RlottiePlayer player;
    player.setAutoAdvance(false);
    ASSERT_TRUE(player.load(bundledAnimation(), "dots"));
    // Frames 0 to 59 at 30 a second: the run ends as the last frame is reached.
    EXPECT_NEAR(player.duration(), 59.0 / 30.0, 1e-6);
    const double wallTime = player.duration() / 0.6;
    EXPECT_EQ(player.defaultSize(), QSize(160, 100));
    player.setSpeed(0.6);
    std::vector<bool> results;
    player.play([&](bool finished) { results.push_back(finished); });
    EXPECT_TRUE(player.isPlaying());
    player.advance(1.0);
    EXPECT_EQ(player.currentFrame(), 18u); // 0.6 s into the animation at 30 frames a second
    player.advance(wallTime - 1.0 - 0.01);
    EXPECT_TRUE(results.empty()); // just short of the end at speed 0.6
    player.advance(0.02);
    EXPECT_EQ(results, std::vector<bool>{true});
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.currentFrame(), 59u); // the last frame stays shown
}

TEST(RlottiePlayerTest, PauseReportsUnfinishedAndPlayResumesWhereItStopped) {
    RlottiePlayer player;
    player.setAutoAdvance(false);
    ASSERT_TRUE(player.load(bundledAnimation(), "dots"));
    std::vector<bool> results;
    player.play([&](bool finished) { results.push_back(finished); });
    player.advance(1.5);
    player.pause();
    EXPECT_EQ(results, std::vector<bool>{false});
    player.advance(5); // paused: time does not move it
    EXPECT_EQ(player.currentFrame(), 45u);
    player.play([&](bool finished) { results.push_back(finished); });
    player.advance(0.5);
    EXPECT_EQ(results, (std::vector<bool>{false, true}));
}

TEST(RlottiePlayerTest, RendersTheCurrentFrame) {
    RlottiePlayer player;
    EXPECT_TRUE(player.render(QSize(160, 100)).isNull()); // nothing loaded
    ASSERT_TRUE(player.load(bundledAnimation(), "dots"));
    const QImage frame = player.render(QSize(160, 100));
    ASSERT_EQ(frame.size(), QSize(160, 100));
    EXPECT_EQ(frame.pixelColor(40, 50), QColor(Qt::white)); // the first dot's centre
    EXPECT_EQ(frame.pixelColor(0, 0).alpha(), 0);
}

class InvalidAnimationTest : public ::testing::TestWithParam<QByteArray> {};

TEST_P(InvalidAnimationTest, IsNotLoaded) {
    RlottiePlayer player;
    EXPECT_FALSE(player.load(GetParam(), "bad"));
    EXPECT_FALSE(player.isLoaded());
    player.play([](bool) { ADD_FAILURE() << "nothing to play"; });
    EXPECT_FALSE(player.isPlaying());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, InvalidAnimationTest,
    ::testing::Values(QByteArray(), QByteArray("not json"), QByteArray("{\"v\":\"5.7.4\"}"),
                      QByteArray("{\"fr\":30,\"ip\":0,\"op\":0,\"w\":10,\"h\":10,\"layers\":[]}")));

// The whole path: the screen finds the bundled animation, plays it through rlottie at 0.6 and
// finishes when it ends, ignoring the ninth tick.
TEST(RlottiePlayerTest, TheLoadingScreenEndsWithTheBundledAnimation) {
    ZEPThemeManager theme;
    ZEPColorResolver colors;
    platform::NotificationCenter center;
    auto clock = std::make_unique<ManualClock>();
    ManualClock *time = clock.get();
    AppLoadingScreen screen(theme, colors, center, std::move(clock));
    RlottiePlayer player;
    player.setAutoAdvance(false);
    screen.setAnimationPlayer(&player);
    screen.setLottieAnimationName("loading-dots");
    screen.viewDidLoad();
    ASSERT_TRUE(screen.isAnimationPlaying());
    time->advance(10000);
    EXPECT_EQ(screen.phase(), AppLoadingScreen::Phase::Loading);
    player.advance(player.duration() / 0.6 - 0.01);
    EXPECT_EQ(screen.phase(), AppLoadingScreen::Phase::Loading);
    player.advance(0.02);
    EXPECT_EQ(screen.phase(), AppLoadingScreen::Phase::Finishing);
}

} // namespace
