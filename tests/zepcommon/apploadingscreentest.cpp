#include "zepcommon/loading/apploadingscreen.h"
#include "manualclock.h"
#include "platform/log.h"
#include "zepcommon/loading/animationplayer.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FakePlayer : public AnimationPlayer {
public:
    bool load(const QByteArray &json, const QString &) override {
        loadedBytes = QByteArray(json.constData(), json.size()); // the bytes are a view of a map
        return decodes;
    }
    void setSpeed(double value) override { speed = value; }
    void play(Completion done) override {
        ++plays;
        playing = true;
        completion = std::move(done);
    }
    void pause() override {
        playing = false;
        if (completion)
            std::exchange(completion, nullptr)(false);
    }
    bool isPlaying() const override { return playing; }
    void end() {
        playing = false;
        if (completion)
            std::exchange(completion, nullptr)(true);
    }

    bool decodes = true;
    QByteArray loadedBytes;
    double speed = 1;
    int plays = 0;
    bool playing = false;
    Completion completion;
};

class AppLoadingScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        theme.applyTheme(ThemeColor::Orange);
        auto owned = std::make_unique<ManualClock>();
        clock = owned.get();
        screen = std::make_unique<AppLoadingScreen>(theme, colors, center, std::move(owned));
        center.addObserver(AppLoadingScreen::progressCompletedNotification,
                           [this](const platform::Notification &) { ++completedPosts; });
        QObject::connect(screen.get(), &AppLoadingScreen::progressChanged,
                         [this](double value, bool animated) {
                             shown.push_back({value, animated});
                         });
        QObject::connect(screen.get(), &AppLoadingScreen::dismissed, [this] { ++dismissals; });
        // The view's part: the fade and the exit take their stated time on the same clock.
        QObject::connect(screen.get(), &AppLoadingScreen::progressBarFadeRequested, [this](int ms) {
            fadeRequestedAt = clock->now();
            clock->after(ms, [this] { screen->progressBarFadeFinished(); });
        });
        QObject::connect(screen.get(), &AppLoadingScreen::exitTransitionRequested, [this] {
            exitRequestedAt = clock->now();
            clock->after(AppLoadingScreen::exitDurationMs,
                         [this] { screen->exitTransitionFinished(exitFinishes); });
        });
        platform::setLogSink([this](const QString &line) { logLines << line; });
    }
    void TearDown() override { platform::setLogSink({}); }

    void postRemoteValues(const QString &name = AppLoadingScreen::defaultRemoteValuesNotification) {
        center.post(name);
        QCoreApplication::sendPostedEvents(); // observers with a context are queued to it
    }

    // A folder with one animation file of the given name.
    QString animationFolder(const QString &name) {
        const QString path = folder.filePath(name + ".json");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"v":"5.7.4"})");
        return folder.path();
    }

    ZEPThemeManager theme;
    ZEPColorResolver colors;
    platform::NotificationCenter center;
    ManualClock *clock = nullptr;
    std::unique_ptr<AppLoadingScreen> screen;
    FakePlayer player;
    QTemporaryDir folder;
    std::vector<std::pair<double, bool>> shown;
    QStringList logLines;
    int completedPosts = 0;
    int dismissals = 0;
    long long fadeRequestedAt = -1;
    long long exitRequestedAt = -1;
    bool exitFinishes = true;
};

TEST_F(AppLoadingScreenTest, WithoutAnimationFinishesOnTheNinthTickThenFadesExitsAndPosts) {
    screen->viewDidLoad();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), std::make_pair(0.0, false));
    clock->advance(8999);
    EXPECT_EQ(screen->tickCount(), 8);
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Loading);
    clock->advance(1);
    EXPECT_EQ(screen->tickCount(), 9);
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
    EXPECT_EQ(shown.back(), std::make_pair(1.0, false)); // filled at once, not animated
    EXPECT_FALSE(clock->isRepeating());

    clock->advance(5000);
    EXPECT_EQ(fadeRequestedAt, 9000 + AppLoadingScreen::fadeDelayMs);
    EXPECT_EQ(exitRequestedAt, 9000 + 150 + AppLoadingScreen::barFadeMs + AppLoadingScreen::exitDelayMs);
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Done);
    EXPECT_EQ(dismissals, 1);
    EXPECT_EQ(completedPosts, 1);
    EXPECT_EQ(screen->tickCount(), 9); // no tick after finishing
    postRemoteValues();
    EXPECT_EQ(completedPosts, 1);
}

TEST_F(AppLoadingScreenTest, EachTickAddsARandomStepInRangeAndTheBarSaturates) {
    screen->viewDidLoad();
    clock->advance(8000);
    ASSERT_EQ(shown.size(), 9u);
    for (size_t i = 1; i < shown.size(); ++i) {
        const double step = shown[i].first - shown[i - 1].first;
        EXPECT_GE(step, AppLoadingScreen::minimumStep - 1e-6);
        EXPECT_LE(step, AppLoadingScreen::maximumStep + 1e-6);
        EXPECT_TRUE(shown[i].second); // animated
    }
}

TEST_F(AppLoadingScreenTest, ProgressSumsTheStepsAndTheBarIsCappedAtOne) {
    screen->setRandomStep([] { return 0.12f; });
    screen->viewDidLoad();
    clock->advance(8000);
    EXPECT_NEAR(screen->progress(), 8 * 0.12f, 1e-5);
    EXPECT_NEAR(shown.back().first, 0.96, 1e-5);
    screen->setRandomStep([] { return 0.5f; }); // out of range draws are held to the range
    clock->advance(1000);
    EXPECT_NEAR(screen->progress(), 9 * 0.12f, 1e-5);
}

TEST_F(AppLoadingScreenTest, RemoteValuesFinishTheScreenEarly) {
    screen->viewDidLoad();
    clock->advance(3500);
    postRemoteValues();
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
    EXPECT_EQ(screen->tickCount(), 3);
    EXPECT_EQ(shown.back(), std::make_pair(1.0, false));
    postRemoteValues(); // observers are gone: nothing happens twice
    clock->advance(3000);
    EXPECT_EQ(screen->tickCount(), 3);
    EXPECT_EQ(completedPosts, 1);
    EXPECT_EQ(dismissals, 1);
}

TEST_F(AppLoadingScreenTest, ListensForTheHostsNotificationName) {
    screen->setRemoteValuesNotificationName("HostValuesArrived");
    screen->viewDidLoad();
    postRemoteValues();
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Loading);
    postRemoteValues("HostValuesArrived");
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
}

TEST_F(AppLoadingScreenTest, AnAnimationAloneFinishesTheScreen) {
    screen->setLottieAnimationName("splash");
    screen->setAnimationLocator(AnimationLocator({animationFolder("splash")}));
    screen->setAnimationPlayer(&player);
    screen->viewDidLoad();
    EXPECT_TRUE(screen->isAnimationPlaying());
    EXPECT_EQ(player.loadedBytes, QByteArray(R"({"v":"5.7.4"})"));
    EXPECT_DOUBLE_EQ(player.speed, 0.6);
    EXPECT_EQ(player.plays, 1);

    clock->advance(12000); // the ninth tick does not end it
    postRemoteValues();    // nor do the remote values
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Loading);
    EXPECT_EQ(screen->tickCount(), 12);

    player.end();
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
    clock->advance(3000);
    EXPECT_EQ(completedPosts, 1);
}

TEST_F(AppLoadingScreenTest, PauseAndResumeFollowTheBackground) {
    screen->setLottieAnimationName("splash");
    screen->setAnimationLocator(AnimationLocator({animationFolder("splash")}));
    screen->setAnimationPlayer(&player);
    screen->viewDidLoad();
    screen->resumeAnimation(); // already playing: not started again
    EXPECT_EQ(player.plays, 1);
    screen->pauseAnimation();
    EXPECT_FALSE(player.playing);
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Loading); // a paused animation has not finished
    screen->resumeAnimation();
    EXPECT_EQ(player.plays, 2);
    player.end(); // the resumed play keeps the finishing completion
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
}

enum class BrokenAnimation { Missing, Undecodable, NoPlayer };

class BrokenAnimationTest : public AppLoadingScreenTest,
                            public ::testing::WithParamInterface<BrokenAnimation> {
protected:
    void loadBroken() {
        screen->setLottieAnimationName("splash");
        screen->setAnimationLocator(AnimationLocator(
            {GetParam() == BrokenAnimation::Missing ? folder.path() : animationFolder("splash")}));
        player.decodes = GetParam() != BrokenAnimation::Undecodable;
        if (GetParam() != BrokenAnimation::NoPlayer)
            screen->setAnimationPlayer(&player);
        screen->viewDidLoad();
    }
};

// A named animation that cannot play leaves a screen that behaves as one without animation.
TEST_P(BrokenAnimationTest, EndsOnTheNinthTickOrTheRemoteValues) {
    loadBroken();
    EXPECT_FALSE(screen->isAnimationPlaying());
    EXPECT_EQ(player.plays, 0);
    ASSERT_EQ(logLines.size(), 1);
    if (GetParam() == BrokenAnimation::Missing) {
        EXPECT_EQ(logLines.front(), "Error: Animation file not found in any bundle");
    }
    clock->advance(9000);
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
}

TEST_P(BrokenAnimationTest, ListensForRemoteValues) {
    loadBroken();
    postRemoteValues();
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BrokenAnimationTest,
                         ::testing::Values(BrokenAnimation::Missing, BrokenAnimation::Undecodable,
                                           BrokenAnimation::NoPlayer));

TEST_F(AppLoadingScreenTest, AnimationNamesAreNoPaths) {
    QDir(folder.path()).mkdir("inner");
    animationFolder("splash");
    const AnimationLocator locator({folder.filePath("inner")});
    EXPECT_FALSE(locator.find("../splash").has_value());
    EXPECT_FALSE(locator.find("").has_value());
    EXPECT_TRUE(AnimationLocator({folder.path()}).find("splash").has_value());
}

TEST_F(AppLoadingScreenTest, WithoutRootScreenTheSplashStays) {
    screen->setRootScreenAvailable(false);
    screen->viewDidLoad();
    clock->advance(20000);
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
    EXPECT_EQ(exitRequestedAt, -1);
    EXPECT_EQ(completedPosts, 0);
}

TEST_F(AppLoadingScreenTest, AnUnfinishedExitPostsNothing) {
    exitFinishes = false;
    screen->viewDidLoad();
    clock->advance(20000);
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Exiting);
    EXPECT_EQ(dismissals, 0);
    EXPECT_EQ(completedPosts, 0);
}

TEST_F(AppLoadingScreenTest, ColoursComeFromTheHostOrTheTheme) {
    screen->viewDidLoad();
    EXPECT_EQ(screen->backgroundColor(), QColor(0xFF, 0x8A, 0x00));
    EXPECT_EQ(screen->trackColor(), QColor(255, 255, 255, 0x59));
    EXPECT_EQ(screen->progressColor(), QColor(Qt::white));

    ZEPThemeManager noTheme;
    AppLoadingScreen custom(noTheme, colors, center, std::make_unique<ManualClock>());
    EXPECT_FALSE(custom.backgroundColor().has_value());
    custom.setCustomLoadingBgColor(QColor(Qt::darkBlue));
    custom.setProgressBarTrackTintColor(QColor(Qt::gray));
    custom.setProgressBarProgressTintColor(QColor(Qt::yellow));
    custom.viewDidLoad();
    EXPECT_EQ(custom.backgroundColor(), QColor(Qt::darkBlue));
    EXPECT_EQ(custom.trackColor(), QColor(Qt::gray));
    EXPECT_EQ(custom.progressColor(), QColor(Qt::yellow));
}

TEST_F(AppLoadingScreenTest, ThemeWithoutBackgroundAssetLeavesTheViewsColour) {
    ZEPThemeManager noTheme;
    AppLoadingScreen plain(noTheme, colors, center, std::make_unique<ManualClock>());
    plain.viewDidLoad();
    EXPECT_FALSE(plain.backgroundColor().has_value());
}

TEST_F(AppLoadingScreenTest, LogoComesFromTheNamedPicture) {
    EXPECT_TRUE(screen->logoImage().isNull()); // no name
    screen->setAppLogoIcon("TidewellLogo");
    EXPECT_FALSE(screen->logoImage().isNull());
    screen->setAppLogoIcon("NoSuchLogo");
    EXPECT_TRUE(screen->logoImage().isNull());
}

} // namespace
