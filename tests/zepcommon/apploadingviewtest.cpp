#include "zepcommon/loading/apploadingview.h"
#include "manualclock.h"
#include "zepcommon/loading/apploadingscreen.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <gtest/gtest.h>

namespace {

class GreenRoot : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Qt::green); }
};

class AppLoadingViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        theme.applyTheme(ThemeColor::Blue);
        auto owned = std::make_unique<ManualClock>();
        clock = owned.get();
        screen = std::make_unique<AppLoadingScreen>(theme, colors, center, std::move(owned));
        screen->setAppLogoIcon("TidewellLogo");
        center.addObserver(AppLoadingScreen::progressCompletedNotification,
                           [this](const platform::Notification &) { ++completed; });
        root.resize(390, 844);
        root.show();
    }

    ZEPThemeManager theme;
    ZEPColorResolver colors;
    platform::NotificationCenter center;
    ManualClock *clock = nullptr;
    std::unique_ptr<AppLoadingScreen> screen;
    GreenRoot root;
    int completed = 0;
};

TEST_F(AppLoadingViewTest, CoversTheRootInTheThemeColourUntilItsExit) {
    QPointer<AppLoadingView> view = new AppLoadingView(screen.get(), &root);
    view->setAnimationsEnabled(false);
    view->load();
    view->show();
    EXPECT_EQ(view->geometry(), root.rect());
    const QImage before = root.grab().toImage();
    EXPECT_EQ(before.pixelColor(5, 5), QColor(0x1E, 0x7B, 0xF0));

    clock->advance(9000);
    EXPECT_EQ(view->progressBar()->value(), view->progressBar()->maximum());
    clock->advance(AppLoadingScreen::fadeDelayMs + AppLoadingScreen::exitDelayMs);
    EXPECT_EQ(completed, 1);
    // The exit's last frame shows the root at its own size, the splash gone.
    ASSERT_FALSE(view.isNull());
    EXPECT_EQ(view->grab().toImage().pixelColor(5, 5), QColor(Qt::green));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull());
    EXPECT_EQ(root.grab().toImage().pixelColor(5, 5), QColor(Qt::green));
}

TEST_F(AppLoadingViewTest, AControllerOwnedByTheViewGoesWithIt) {
    auto owned = std::make_unique<ManualClock>();
    ManualClock *time = owned.get();
    QPointer<AppLoadingScreen> owner = new AppLoadingScreen(theme, colors, center, std::move(owned));
    QPointer<AppLoadingView> view = new AppLoadingView(owner, &root);
    owner->setParent(view);
    view->setAnimationsEnabled(false);
    view->load();
    view->show();
    center.post(AppLoadingScreen::defaultRemoteValuesNotification);
    QCoreApplication::sendPostedEvents();
    time->advance(AppLoadingScreen::fadeDelayMs + AppLoadingScreen::exitDelayMs);
    EXPECT_EQ(completed, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull());
    EXPECT_TRUE(owner.isNull());
}

TEST_F(AppLoadingViewTest, WithoutRootTheSplashStaysOnScreen) {
    AppLoadingView view(screen.get(), nullptr);
    view.setAnimationsEnabled(false);
    view.load();
    clock->advance(20000);
    EXPECT_EQ(screen->phase(), AppLoadingScreen::Phase::Finishing);
    EXPECT_EQ(completed, 0);
}

} // namespace
