#include "app/maintabbarcontroller.h"
#include "recordingscreen.h"
#include "transfer/screen/transferservice.h"
#include "transfer/screen/transferviewcontroller.h"
#include "transfer/transferserver.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "httpclient.h"

using transfer::TransferViewController;

namespace {

class RecordingBrowser final : public transfer::FolderRefreshing {
public:
    void refreshFolder(const QUrl &folder) override { refreshed.push_back(folder); }
    std::vector<QUrl> refreshed;
};

class MainTabBarControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_server.setPort(0);
        m_server.setBindAddress("127.0.0.1");
        m_tabs.setFileBrowser(&m_browser);
        QObject::connect(&m_tabs, &MainTabBarController::selectedIndexChanged, [this](int index) {
            m_events.push_back(
                QStringLiteral("selected %1, server %2").arg(index).arg(m_server.isRunning() ? "on" : "off"));
        });
        QObject::connect(&m_screen, &TransferViewController::bounceRequested,
                         [this] { m_events.push_back(QStringLiteral("bounce")); });
    }
    void TearDown() override { m_server.stop(); }

    int answer(const char *path) const {
        const auto result = testsupport::HttpClient("127.0.0.1", m_server.port(), 5).get(path);
        return result ? result->status : 0;
    }

    QTemporaryDir m_root;
    transfer::TransferServer m_server{[this] {
        return std::optional(m_root.path());
    }};
    transfer::TransferServerService m_service{m_server};
    ZEPThemeManager m_theme;
    ZEPColorResolver m_colors;
    TransferViewController m_screen{m_service, m_theme, m_colors,
                                    [] { return std::optional<QString>("192.168.1.20"); },
                                    [this] {
                                        return std::optional(m_root.path());
                                    }};
    ui::ScreenController m_files;
    ui::ScreenController m_settings;
    MainTabBarController m_tabs{MainTabBarController::appTabs(&m_files, &m_screen, &m_settings)};
    RecordingBrowser m_browser;
    QStringList m_events;
};

TEST_F(MainTabBarControllerTest, StartsOnTheFileBrowserWithTheServerOff) {
    EXPECT_EQ(m_tabs.selectedIndex(), -1);
    m_tabs.viewDidLoad();
    EXPECT_EQ(m_tabs.selectedIndex(), MainTabBarController::FileBrowserTab);
    EXPECT_EQ(m_events, QStringList{"selected 0, server off"});
    EXPECT_TRUE(m_screen.isInTabBar());
    EXPECT_EQ(m_screen.delegate(), &m_tabs);
    EXPECT_EQ(m_tabs.fileBrowser(), &m_browser);
}

TEST_F(MainTabBarControllerTest, TheTransferTabServesWhileItIsShown) {
    m_tabs.viewDidLoad();
    m_events.clear();

    ASSERT_TRUE(m_tabs.selectTab(MainTabBarController::TransferTab));
    // The server runs before the page shows; the icons bounce once it has.
    EXPECT_EQ(m_events, (QStringList{"selected 1, server on", "bounce"}));
    EXPECT_EQ(answer("/"), 200);
    EXPECT_TRUE(m_browser.refreshed.empty());

    const uint16_t port = m_server.port();
    ASSERT_TRUE(m_tabs.selectTab(MainTabBarController::SettingsTab));
    EXPECT_FALSE(m_server.isRunning());
    EXPECT_FALSE(testsupport::HttpClient("127.0.0.1", port).canConnect());
    ASSERT_EQ(m_browser.refreshed.size(), 1u);
    EXPECT_EQ(m_browser.refreshed[0], QUrl::fromLocalFile(m_root.path()));

    ASSERT_TRUE(m_tabs.selectTab(MainTabBarController::TransferTab));
    EXPECT_EQ(answer("/"), 200);
    ASSERT_TRUE(m_tabs.selectTab(MainTabBarController::FileBrowserTab));
    EXPECT_FALSE(m_server.isRunning());
    EXPECT_EQ(m_browser.refreshed.size(), 2u);
}

TEST_F(MainTabBarControllerTest, EveryTabCanBeChosenButNoneOutsideTheBar) {
    m_tabs.viewDidLoad();
    for (int index = 0; index < MainTabBarController::tabCount; ++index)
        EXPECT_TRUE(m_tabs.shouldSelectTab(index)) << index;
    EXPECT_FALSE(m_tabs.selectTab(-1));
    EXPECT_FALSE(m_tabs.selectTab(MainTabBarController::tabCount));
    EXPECT_EQ(m_tabs.selectedIndex(), MainTabBarController::FileBrowserTab);

    // Choosing the tab already shown changes nothing.
    m_tabs.selectTab(MainTabBarController::TransferTab);
    m_events.clear();
    EXPECT_TRUE(m_tabs.selectTab(MainTabBarController::TransferTab));
    EXPECT_TRUE(m_events.isEmpty());
    EXPECT_TRUE(m_browser.refreshed.empty());
}

TEST_F(MainTabBarControllerTest, TheThirdTabOpensSettingsAndLeavesThePreviousTabSelected) {
    m_tabs.viewDidLoad();
    ASSERT_TRUE(m_tabs.selectTab(MainTabBarController::TransferTab));
    int opened = 0;
    m_tabs.setSettingsOpener([this, &opened](MainTabBarController &from) {
        EXPECT_EQ(&from, &m_tabs);
        ++opened;
    });
    m_events.clear();
    for (int tap = 1; tap <= 2; ++tap) {
        EXPECT_FALSE(m_tabs.shouldSelectTab(MainTabBarController::SettingsTab));
        EXPECT_FALSE(m_tabs.selectTab(MainTabBarController::SettingsTab));
        EXPECT_EQ(opened, tap) << "each tap opens a new settings screen";
        EXPECT_EQ(m_tabs.selectedIndex(), MainTabBarController::TransferTab);
    }
    EXPECT_TRUE(m_events.isEmpty()) << m_events.join('|').toStdString();
    EXPECT_TRUE(m_server.isRunning());
    EXPECT_TRUE(m_tabs.selectTab(MainTabBarController::FileBrowserTab));
}

TEST_F(MainTabBarControllerTest, QuittingOnTheTransferTabStopsTheServerOnce) {
    m_tabs.viewDidLoad();
    m_tabs.selectTab(MainTabBarController::TransferTab);
    m_tabs.viewWillDisappear();
    m_tabs.viewWillDisappear();
    EXPECT_FALSE(m_server.isRunning());
    EXPECT_EQ(m_browser.refreshed.size(), 1u);
}

TEST(MainTabBarControllerLifetime, GoingAwayClearsTheTransferScreensDelegate) {
    transfer::TransferServer server;
    transfer::TransferServerService service(server);
    ZEPThemeManager theme;
    ZEPColorResolver colors;
    TransferViewController screen(service, theme, colors);
    {
        MainTabBarController tabs(MainTabBarController::appTabs(nullptr, &screen, nullptr));
        EXPECT_EQ(screen.delegate(), &tabs);
    }
    EXPECT_EQ(screen.delegate(), nullptr);
}

// Any list of screens gets the same lifecycle, whatever their place in the bar.
class TabBarLifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&m_tabs, &MainTabBarController::selectedIndexChanged,
                         [this](int index) { m_log << QStringLiteral("selected %1").arg(index); });
    }

    QStringList m_log;
    RecordingScreen m_a{"A", &m_log};
    RecordingScreen m_b{"B", &m_log};
    RecordingScreen m_c{"C", &m_log};
    MainTabBarController m_tabs{{{&m_a, {"A", "a-"}}, {&m_b, {"B", "b-"}}, {&m_c, {"C", "c-"}}}};
};

TEST_F(TabBarLifecycleTest, SwitchingDrivesEveryScreenTheSameWay) {
    EXPECT_TRUE(m_a.isInTabBar() && m_b.isInTabBar() && m_c.isInTabBar());
    EXPECT_EQ(m_tabs.tabItem(1).iconBaseName, "b-");
    m_tabs.viewDidLoad();
    EXPECT_EQ(m_log, (QStringList{"A didLoad", "A willAppear", "selected 0", "A didAppear"}));

    m_log.clear();
    ASSERT_TRUE(m_tabs.selectTab(2));
    EXPECT_EQ(m_log,
              (QStringList{"A willDisappear", "C didLoad", "C willAppear", "selected 2", "C didAppear"}));

    m_log.clear();
    ASSERT_TRUE(m_tabs.selectTab(0));
    EXPECT_EQ(m_log, (QStringList{"C willDisappear", "A willAppear", "selected 0", "A didAppear"}));

    // What a tab's screen asks to present is the tab bar's request to its host.
    QSignalSpy presents(&m_tabs, &ui::ScreenController::presentRequested);
    ui::ScreenController sheet;
    m_b.present(&sheet);
    EXPECT_EQ(presents.count(), 1);
}

TEST_F(TabBarLifecycleTest, ARefusedSwitchChangesNothing) {
    m_tabs.setSelectionRule([](int index) { return index != 1; });
    m_tabs.viewDidLoad();
    m_log.clear();
    EXPECT_FALSE(m_tabs.shouldSelectTab(1));
    EXPECT_FALSE(m_tabs.selectTab(1));
    EXPECT_FALSE(m_tabs.selectTab(3));
    EXPECT_TRUE(m_log.isEmpty());
    EXPECT_EQ(m_tabs.selectedIndex(), 0);
    EXPECT_FALSE(m_b.isViewLoaded());
}

TEST_F(TabBarLifecycleTest, QuittingMakesTheShownScreenDisappearOnce) {
    m_tabs.viewDidLoad();
    m_tabs.selectTab(1);
    m_log.clear();
    m_tabs.viewWillDisappear();
    m_tabs.viewWillDisappear();
    EXPECT_EQ(m_log, QStringList{"B willDisappear"});
}

} // namespace
