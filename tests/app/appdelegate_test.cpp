#include "app/appdelegate.h"
#include "app/bottomtabbar.h"
#include "app/maintabbarcontroller.h"
#include "app/maintabbarview.h"
#include "app/mainwindow.h"
#include "app/settingslauncher.h"
#include "browser/filebrowserview.h"
#include "browser/filebrowserviewcontroller.h"
#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "tarnwick/apiclient.h"
#include "transfer/screen/transferservice.h"
#include "transfer/screen/transferview.h"
#include "transfer/screen/transferviewcontroller.h"
#include "transfer/transferserver.h"
#include "ui/sheetcontainer.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/catalogue/allappsview.h"
#include "zepcommon/loading/apploadingview.h"
#include "zepcommon/settings/settingsview.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/utility/remotevalues.h"

#include <QApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVariantAnimation>
#include <gtest/gtest.h>

namespace {

const QString refreshed = QStringLiteral("test.remoteValuesRefreshed");

class NoRemoteValues final : public RemoteValues {
public:
    QJsonValue valueForKey(const QString &) const override { return {}; }
    bool isValueAvailable(const QString &) const override { return false; }
    QString updateNotificationName() const override { return refreshed; }
};

class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server.setPort(0);
        m_server.setBindAddress("127.0.0.1");
        QObject::connect(&m_theme, &ZEPThemeManager::themeChanged, [this] { record("theme"); });
        m_delegate = std::make_unique<AppDelegate>(AppEnvironment{
            m_theme,
            m_colors,
            m_center,
            m_service,
            [this] { record("refresher"); },
            [this] { record("screen awake"); },
            m_remoteValues,
            QStringLiteral("lo"),
        });
    }
    void TearDown() override {
        m_delegate->applicationWillTerminate();
        m_delegate.reset();
        m_server.stop();
    }

    // Each step notes whether the window was already up when it ran.
    void record(const QString &step) {
        const bool shown = m_delegate && m_delegate->window() && m_delegate->window()->isVisible();
        m_steps << step + (shown ? " (window shown)" : "");
    }

    void clickTab(int index) {
        BottomTabBar *bar = tabView()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    MainTabBarView *tabView() const {
        return qobject_cast<MainTabBarView *>(m_delegate->window()->rootScreen());
    }

    ZEPThemeManager m_theme;
    ZEPColorResolver m_colors;
    NoRemoteValues m_remoteValues;
    platform::NotificationCenter m_center;
    transfer::TransferServer m_server;
    transfer::TransferServerService m_service{m_server};
    std::unique_ptr<AppDelegate> m_delegate;
    QStringList m_steps;
};

TEST_F(AppDelegateTest, LaunchRunsItsStepsInOrderAndCoversTheWindowWithTheSplash) {
    EXPECT_FALSE(m_delegate->keyboardManager().resignOnTouchOutside());
    ASSERT_TRUE(m_delegate->didFinishLaunching());

    EXPECT_EQ(m_steps, (QStringList{"refresher", "screen awake", "theme"}));
    EXPECT_EQ(m_theme.currentTheme(), ThemeColor::Orange);
    EXPECT_TRUE(m_delegate->keyboardManager().resignOnTouchOutside());

    MainWindow *window = m_delegate->window();
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), MainWindow::defaultSize);
    EXPECT_LT(window->minimumWidth(), window->width());
    EXPECT_GT(window->maximumHeight(), window->height()); // resizable
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(Qt::black));
    ASSERT_NE(tabView(), nullptr);
    EXPECT_EQ(m_delegate->tabBarController()->selectedIndex(), MainTabBarController::FileBrowserTab);
    // The tab bar was built after the theme: its accent is the orange theme colour.
    EXPECT_EQ(tabView()->tabBar()->accentColor(), QColor(0xFF, 0x8A, 0x00));
    EXPECT_EQ(tabView()->pages()->count(), MainTabBarController::tabCount);

    // The splash is there at once, without an appearing animation, above the tab bar.
    AppLoadingView *splash = m_delegate->loadingView();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->geometry(), window->rect());
    const QPoint tabBarCenter = tabView()->tabBar()->mapTo(window, tabView()->tabBar()->rect().center());
    QWidget *hit = window->childAt(tabBarCenter);
    ASSERT_NE(hit, nullptr);
    EXPECT_TRUE(hit == splash || splash->isAncestorOf(hit));

    // The remote values arriving end the splash; the window keeps its tab bar.
    m_delegate->didFinishLaunching();
    m_center.post(refreshed);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_delegate->loadingView() == nullptr; }, 10000));
    EXPECT_EQ(window->childAt(tabBarCenter), tabView()->tabBar());
    EXPECT_EQ(m_steps.size(), 3); // launching again did nothing
}

TEST_F(AppDelegateTest, TabClicksSwitchPagesAndRunTheServerOnlyOnTheTransferTab) {
    m_delegate->setSplashAnimationsEnabled(false);
    m_delegate->didFinishLaunching();
    m_center.post(refreshed);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_delegate->loadingView() == nullptr; }, 10000));
    MainTabBarView *view = tabView();
    BottomTabBar *bar = view->tabBar();
    EXPECT_FALSE(m_server.isRunning());

    clickTab(MainTabBarController::TransferTab);
    EXPECT_EQ(m_delegate->tabBarController()->selectedIndex(), MainTabBarController::TransferTab);
    auto *page = qobject_cast<transfer::TransferView *>(view->pages()->currentWidget());
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(page->closeButton()->isVisible());
    EXPECT_TRUE(m_server.isRunning());

    // The tab icons bounce: 1.0, 1.4, 0.9, 1.1, 1.0 over 0.6 s.
    auto *bounce = bar->findChild<QVariantAnimation *>("bounceAnimation");
    ASSERT_NE(bounce, nullptr);
    EXPECT_EQ(bounce->state(), QAbstractAnimation::Running);
    EXPECT_EQ(bounce->duration(), 600);
    const QVariantAnimation::KeyValues expected = {
        {0.0, 1.0}, {0.3, 1.4}, {0.5, 0.9}, {0.7, 1.1}, {1.0, 1.0}};
    EXPECT_EQ(bounce->keyValues(), expected);
    ASSERT_TRUE(QTest::qWaitFor([bounce] { return bounce->state() == QAbstractAnimation::Stopped; }));
    EXPECT_EQ(bar->iconScale(), 1.0);

    // The settings tab is a button: the settings sheet opens over the transfer tab, which stays
    // selected and serving until another tab is chosen.
    clickTab(MainTabBarController::SettingsTab);
    EXPECT_EQ(view->pages()->currentIndex(), MainTabBarController::TransferTab);
    EXPECT_EQ(bar->currentIndex(), MainTabBarController::TransferTab);
    EXPECT_TRUE(m_server.isRunning());
    EXPECT_EQ(bounce->state(), QAbstractAnimation::Stopped);
    auto *settings = m_delegate->window()->findChild<SettingsView *>();
    ASSERT_NE(settings, nullptr);
    auto *close = settings->findChild<QToolButton *>("closeButton");
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_delegate->window()->findChild<SettingsView *>(); }));
    clickTab(MainTabBarController::FileBrowserTab);
    EXPECT_FALSE(m_server.isRunning());

    clickTab(MainTabBarController::TransferTab);
    EXPECT_TRUE(m_server.isRunning());
    m_delegate->applicationWillTerminate();
    EXPECT_FALSE(m_server.isRunning());
}

TEST_F(AppDelegateTest, FilesTabHoldsTheBrowserWhoseSelectionModeAndMenuReachTheTabBar) {
    m_delegate->setSplashAnimationsEnabled(false);
    m_delegate->didFinishLaunching();
    m_center.post(refreshed);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_delegate->loadingView() == nullptr; }, 10000));
    browser::FileBrowserViewController *files = m_delegate->fileBrowser();
    ASSERT_NE(files, nullptr);
    EXPECT_NE(tabView()
                  ->pages()
                  ->widget(MainTabBarController::FileBrowserTab)
                  ->findChild<browser::FileBrowserView *>(),
              nullptr);
    EXPECT_EQ(m_delegate->tabBarController()->fileBrowser(), files) << "the transfer screen refreshes it";

    files->toggleSelectionMode();
    EXPECT_FALSE(tabView()->tabBar()->isVisible());
    files->exitSelectionMode();
    EXPECT_TRUE(tabView()->tabBar()->isVisible());
    files->triggerMenuEntry(files->moreMenu().back());
    EXPECT_EQ(m_delegate->tabBarController()->selectedIndex(), MainTabBarController::FileBrowserTab);
    EXPECT_NE(m_delegate->window()->findChild<SettingsView *>(), nullptr) << "the same settings screen";
}

// The remote value that turns the settings screen's sign-in row on.
class SignInRowOn final : public RemoteValues {
public:
    QJsonValue valueForKey(const QString &key) const override {
        return key == SettingsLauncher::signInRemoteKey() ? QJsonValue(SettingsLauncher::signInRemoteValue())
                                                          : QJsonValue();
    }
    bool isValueAvailable(const QString &key) const override { return key == SettingsLauncher::signInRemoteKey(); }
    QString updateNotificationName() const override { return refreshed; }
};

// The settings screen's rows reach the app's own screens: the sign-in row the hub (full screen),
// "Rate Tidewell" the rating pop-up, the header the catalogue.
TEST_F(AppDelegateTest, SettingsRowsOpenTheAccountRatingAndCatalogueScreens) {
    QTemporaryDir sandbox;
    tarnwick::ApiClientSettings settings;
    settings.appIdentifier = QStringLiteral("app.tidewell.Tidewell");
    settings.serviceUrl = QUrl(QStringLiteral("http://127.0.0.1:9/v1/call"));
    settings.secretStorePath = sandbox.filePath("secrets.json");
    settings.remoteValuesPath = sandbox.filePath("remote-values.dat");
    settings.vpnProbe = [] {
        return false;
    };
    tarnwick::ApiClient client(settings);
    platform::Defaults defaults(QStringLiteral("app-accounts-test"));
    account::ApiManager accounts(client, defaults, m_center);
    SignInRowOn remoteValues;
    AppEnvironment environment{m_theme, m_colors, m_center, m_service, {}, {}, remoteValues, QStringLiteral("lo")};
    environment.defaults = &defaults;
    environment.accounts = &accounts;
    m_delegate = std::make_unique<AppDelegate>(std::move(environment));
    m_delegate->setSplashAnimationsEnabled(false);
    m_delegate->didFinishLaunching();
    m_center.post(refreshed);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_delegate->loadingView() == nullptr; }, 10000));

    const auto openRow = [this](const QString &name) -> ui::SheetContainer * {
        clickTab(MainTabBarController::SettingsTab);
        auto *page = m_delegate->window()->findChild<SettingsView *>();
        if (!page)
            return nullptr;
        QWidget *row = nullptr;
        for (auto *widget : page->findChildren<QWidget *>())
            if (widget->accessibleName() == name)
                row = widget;
        if (!row)
            return nullptr;
        const auto before = m_delegate->window()->findChildren<ui::SheetContainer *>();
        QTest::mouseClick(row, Qt::LeftButton);
        for (auto *sheet : m_delegate->window()->findChildren<ui::SheetContainer *>())
            if (!before.contains(sheet) && sheet->isOpen())
                return sheet;
        return nullptr;
    };
    const auto closeAll = [this] {
        for (auto *sheet : m_delegate->window()->findChildren<ui::SheetContainer *>())
            sheet->closeSheet();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_delegate->window()->findChild<SettingsView *>(); }));
    };

    ui::SheetContainer *hub = openRow(QStringLiteral("Sign-in"));
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ(hub->geometry(), m_delegate->window()->rect()) << "full screen";
    EXPECT_NE(hub->findChild<QPushButton *>("signInView"), nullptr);
    closeAll();

    ui::SheetContainer *rating = openRow(QStringLiteral("Rate Tidewell"));
    ASSERT_NE(rating, nullptr);
    EXPECT_NE(rating->findChild<QWidget *>("popUpView"), nullptr);
    closeAll();

    ui::SheetContainer *catalogue = openRow(QStringLiteral("More Apps"));
    ASSERT_NE(catalogue, nullptr);
    EXPECT_NE(catalogue->findChild<catalogue::AllAppsView *>(), nullptr);
    closeAll();
}

} // namespace
