#include "app/maintabbarcontroller.h"
#include "transfer/screen/transferviewcontroller.h"
#include "transfer/transferserver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <httplib.h>

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
        httplib::Client client("127.0.0.1", m_server.port());
        client.set_connection_timeout(2);
        const httplib::Result result = client.Get(path);
        return result ? result->status : 0;
    }

    QTemporaryDir m_root;
    transfer::TransferServer m_server{[this] {
        return std::optional(m_root.path());
    }};
    ZEPThemeManager m_theme;
    TransferViewController m_screen{m_server, m_theme, [] { return std::optional<QString>("192.168.1.20"); },
                                    [this] {
                                        return std::optional(m_root.path());
                                    }};
    MainTabBarController m_tabs{&m_screen};
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
    EXPECT_EQ(httplib::Client("127.0.0.1", port).Get("/").error(), httplib::Error::Connection);
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
    ZEPThemeManager theme;
    TransferViewController screen(server, theme);
    {
        MainTabBarController tabs(&screen);
        EXPECT_EQ(screen.delegate(), &tabs);
    }
    EXPECT_EQ(screen.delegate(), nullptr);
}

} // namespace
