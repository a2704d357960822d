// The probe, the manager's lifecycle and the DNS-SD announcement against a real avahi-daemon on a
// private bus in a private network namespace (ctest runs this binary through avahi-sandbox.sh).
#include "avahisandbox.h"

#include "platform/defaults.h"
#include "platform/log.h"
#include "platform/notificationcenter.h"
#include "transfer/screen/localnetworkprompt.h"
#include "transfer/screen/transferservice.h"
#include "transfer/screen/transferviewcontroller.h"
#include "ui/colorresolver.h"
#include "zepcommon/localnetwork/lnamanager.h"
#include "zepcommon/localnetwork/lnapermissionscreen.h"
#include "zepcommon/localnetwork/localnetworkmanager.h"
#include "zepcommon/localnetwork/reachability.h"
#include "zepcommon/localnetwork/serviceannouncer.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/utility/remotevalues.h"

#include <QHostInfo>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

using namespace localnetwork;
using namespace std::chrono_literals;

namespace {

class LogCapture {
public:
    LogCapture() {
        platform::setLogSink([this](const QString &line) { lines << line; });
    }
    ~LogCapture() { platform::setLogSink({}); }
    bool contains(const QString &text) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const QString &line) { return line.contains(text); });
    }
    QStringList lines;
};

class AvahiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!AvahiDaemon::inSandbox())
            GTEST_SKIP() << AvahiDaemon::skipReason().toStdString();
    }
    std::optional<bool> probe(LocalNetworkManager &manager) {
        std::optional<bool> result;
        manager.requestAuthorizationWithCompletion([&](bool granted) { result = granted; });
        waitUntil([&] { return result.has_value(); });
        return result;
    }
    AvahiDaemon daemon;
    LogCapture log;
};

struct ProbeCase {
    const char *name;
    bool daemonRuns;
    bool granted;
    const char *logLine;
};
void PrintTo(const ProbeCase &c, std::ostream *os) {
    *os << c.name;
}

class ProbeTest : public AvahiTest, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(ProbeTest, ReportsWhatTheDaemonAllows) {
    if (GetParam().daemonRuns) {
        ASSERT_TRUE(daemon.start());
    }
    LocalNetworkManager manager;
    EXPECT_EQ(probe(manager), GetParam().granted);
    EXPECT_TRUE(log.contains(GetParam().logLine)) << log.lines.join('\n').toStdString();
    EXPECT_FALSE(manager.isRunning());
    manager.stopManager(); // safe when nothing runs
}

INSTANTIATE_TEST_SUITE_P(
    Probe, ProbeTest,
    ::testing::Values(ProbeCase{"DaemonRuns", true, true, "Local network permission has been granted"},
                      ProbeCase{"NoDaemon", false, false, "Local network permission has been denied: "}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(AvahiTest, ADaemonThatStopsAnsweringMidProbeIsDeniedByTheTimeOut) {
    ASSERT_TRUE(daemon.start());
    LocalNetworkManager manager(300ms);
    std::optional<bool> result;
    manager.requestAuthorizationWithCompletion([&](bool granted) { result = granted; });
    // Publishing takes the daemon several hundred milliseconds of probing the name; frozen now,
    // it never tells, and neither does the browser.
    daemon.pause();
    waitUntil([&] { return result.has_value(); });
    daemon.resume();
    EXPECT_EQ(result, false);
    EXPECT_TRUE(log.contains("Local network permission has been denied: no answer"));
    EXPECT_FALSE(manager.isRunning());
}

TEST_F(AvahiTest, OneProbeObjectAtATime) {
    ASSERT_TRUE(daemon.start());
    platform::Defaults defaults(QStringLiteral("lna-one-probe"));
    platform::NotificationCenter center;
    LNAManager manager(defaults, center);
    QSignalSpy results(&manager, &LNAManager::pingCompleted);
    manager.requestAuthorization();
    const LocalNetworkManager *first = manager.lnaManager();
    manager.requestAuthorization();
    EXPECT_NE(manager.lnaManager(), first);
    EXPECT_TRUE(manager.hasPingSent());
    ASSERT_TRUE(waitUntil([&] { return results.count() > 0; }));
    QTest::qWait(300); // a second result would come from the first probe
    EXPECT_EQ(results.count(), 1);
    EXPECT_TRUE(manager.currPingStatus());
    EXPECT_FALSE(manager.hasPingSent());
}

class Reachable final : public Reachability {
public:
    bool isReachable() const override { return true; }
};
class NoColors final : public ui::ColorResolver {
public:
    std::optional<QColor> color(const QString &) const override { return std::nullopt; }
};
class NoRemoteValues final : public RemoteValues {
public:
    QJsonValue valueForKey(const QString &) const override { return {}; }
    bool isValueAvailable(const QString &) const override { return false; }
    QString updateNotificationName() const override { return QStringLiteral("RemoteValuesUpdated"); }
};

// The first run of the permission flow, with the activation changes the platform would post.
class FirstRunTest : public AvahiTest, public LNAPermissionScreenDelegate {
protected:
    void hasAllowedLNAPermission() override { ++allowed; }

    platform::Defaults defaults{QStringLiteral("lna-first-run")};
    platform::NotificationCenter center;
    ZEPThemeManager theme;
    Reachable reachable;
    NoColors colors;
    NoRemoteValues remoteValues;
    int settingsOpened = 0;
    int allowed = 0;
};

TEST_F(FirstRunTest, GrantedAfterTheAlertClosesTheScreen) {
    ASSERT_TRUE(daemon.start());
    defaults.remove(LNAManager::alertShownKey());
    LNAManager manager(defaults, center);
    LNAPermissionScreen screen(
        manager, reachable, remoteValues, theme, colors, [&] { return ++settingsOpened > 0; }, center);
    screen.setDelegate(this);
    QSignalSpy dismissed(&screen, &ui::ScreenController::dismissRequested);
    screen.beginAppearanceTransition(true);
    EXPECT_EQ(screen.state(), LNAPermissionScreen::State::Initial);
    EXPECT_EQ(screen.buttonTitle(), "Continue");

    screen.permissionBtn();
    EXPECT_TRUE(manager.hasLNAAlertTriggered());
    EXPECT_TRUE(screen.isIndicatorAnimating());
    EXPECT_EQ(screen.buttonTitle(), "");

    center.post(applicationWillResignActiveNotification());

    QCoreApplication::processEvents(); // observers with a context run queued
    EXPECT_TRUE(manager.hasLNAAlertActuallyShown());
    center.post(applicationDidBecomeActiveNotification());
    QCoreApplication::processEvents(); // observers with a context run queued
    EXPECT_TRUE(manager.hasLNAAlertShown());
    EXPECT_FALSE(manager.hasLNAAlertTriggered());
    EXPECT_TRUE(defaults.boolValue(LNAManager::alertShownKey()));

    ASSERT_TRUE(waitUntil([&] { return allowed > 0; }));
    EXPECT_EQ(dismissed.count(), 1);
    EXPECT_TRUE(screen.isLNAEnabled());
    EXPECT_EQ(settingsOpened, 0);
}

TEST_F(FirstRunTest, ADeniedFirstProbeWithoutAnActivationChangeStillCountsAsTheAnswer) {
    defaults.remove(LNAManager::alertShownKey());
    LNAManager manager(defaults, center);
    LNAPermissionScreen screen(
        manager, reachable, remoteValues, theme, colors, [&] { return ++settingsOpened > 0; }, center);
    screen.beginAppearanceTransition(true);
    QSignalSpy results(&manager, &LNAManager::pingCompleted);
    screen.permissionBtn(); // no daemon, and no window ever loses the focus
    ASSERT_TRUE(waitUntil([&] { return results.count() > 0; }));
    EXPECT_EQ(screen.state(), LNAPermissionScreen::State::Disabled);
    EXPECT_TRUE(defaults.boolValue(LNAManager::alertShownKey()));
    screen.permissionBtn();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_FALSE(manager.hasPingSent());
}

TEST_F(FirstRunTest, DeniedShowsTheDisabledStateWhoseButtonOpensSettings) {
    defaults.setValue(LNAManager::alertShownKey(), true);
    LNAManager manager(defaults, center);
    LNAPermissionScreen screen(
        manager, reachable, remoteValues, theme, colors, [&] { return ++settingsOpened > 0; }, center);
    screen.beginAppearanceTransition(true);
    EXPECT_EQ(screen.state(), LNAPermissionScreen::State::Disabled);
    QSignalSpy results(&manager, &LNAManager::pingCompleted);
    center.post(applicationDidBecomeActiveNotification()); // no daemon: denied
    QCoreApplication::processEvents();                     // observers with a context run queued
    ASSERT_TRUE(waitUntil([&] { return results.count() > 0; }));
    EXPECT_EQ(screen.buttonTitle(), "Enable Local Network");
    screen.permissionBtn();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_FALSE(manager.hasPingSent());
    EXPECT_EQ(allowed, 0);
}

TEST_F(FirstRunTest, BecomingActiveWhileAProbeRunsStartsNoSecondFromTheScreen) {
    defaults.setValue(LNAManager::alertShownKey(), true);
    auto manager = std::make_unique<LNAManager>(defaults, center);
    auto screen = std::make_unique<LNAPermissionScreen>(
        *manager, reachable, remoteValues, theme, colors, [] { return true; }, center);
    screen->beginAppearanceTransition(true);
    manager->requestAuthorization();
    const LocalNetworkManager *running = manager->lnaManager();
    // The screen sees a probe running and triggers nothing; the manager replaces the probe.
    center.post(applicationDidBecomeActiveNotification());
    QCoreApplication::processEvents(); // observers with a context run queued
    EXPECT_NE(manager->lnaManager(), running);
    EXPECT_FALSE(manager->hasLNAAlertTriggered());
    manager->stopPing();
}

class NoServer final : public transfer::TransferService {
public:
    void registerRoutes(const std::optional<QString> &) override {}
    bool start() override { return running = true; }
    void stop() override { running = false; }
    bool isRunning() const override { return running; }
    quint16 port() const override { return 8123; }
    void setAccessCodeEnabled(bool) override {}
    QString accessCode() const override { return {}; }
    bool running = false;
};

TEST_F(AvahiTest, TheTransferServerIsAnnouncedWhileItRuns) {
    ASSERT_TRUE(daemon.start());
    NoServer server;
    ZEPThemeManager theme;
    NoColors colors;
    ServiceAnnouncer announcer;
    transfer::TransferViewController screen(server, theme, colors);
    screen.setAnnouncer(&announcer);
    screen.loadViewIfNeeded();
    screen.beginAppearanceTransition(true);
    ASSERT_TRUE(waitUntil([&] { return screen.localAddress().has_value(); }));
    const QString host = QHostInfo::localHostName();
    EXPECT_EQ(*screen.localAddress(), "http://" + host + ".local:8123/");
    const QString found = avahiBrowse("_http._tcp");
    EXPECT_TRUE(found.contains("Tidewell\\032on\\032" + host)) << found.toStdString();
    EXPECT_TRUE(found.contains(";8123;\"path=/\"")) << found.toStdString();

    screen.beginAppearanceTransition(false);
    EXPECT_FALSE(screen.localAddress().has_value());
    EXPECT_TRUE(waitUntil([&] { return !avahiBrowse("_http._tcp").contains("Tidewell"); }));
}

TEST_F(FirstRunTest, TheTransferScreenPresentsThePermissionScreenOncePerRunWhenDenied) {
    NoServer server;
    LNAManager manager(defaults, center);
    int made = 0;
    transfer::LocalNetworkPrompt prompt{manager, [&]() -> ui::ScreenController * {
                                            ++made;
                                            return new LNAPermissionScreen(manager, reachable, remoteValues,
                                                                           theme, colors, {}, center);
                                        }};
    transfer::TransferViewController first(server, theme, colors);
    transfer::TransferViewController second(server, theme, colors);
    first.setLocalNetworkPrompt(&prompt);
    second.setLocalNetworkPrompt(&prompt);
    QSignalSpy presented(&first, &ui::ScreenController::presentRequested);
    QSignalSpy results(&manager, &LNAManager::pingCompleted);

    first.beginAppearanceTransition(true); // no daemon: denied
    ASSERT_TRUE(waitUntil([&] { return presented.count() > 0; }));
    EXPECT_NE(qobject_cast<LNAPermissionScreen *>(presented.at(0).at(0).value<ui::ScreenController *>()),
              nullptr);
    EXPECT_EQ(presented.at(0).at(1).value<ui::Presentation>().style, ui::Presentation::Style::FullScreen);
    delete presented.at(0).at(0).value<ui::ScreenController *>();
    first.beginAppearanceTransition(false);

    // Later appearances of any transfer screen in the run neither probe nor present again.
    const LocalNetworkManager *probe = manager.lnaManager();
    second.beginAppearanceTransition(true);
    EXPECT_EQ(manager.lnaManager(), probe);
    manager.pingDidComplete(false);
    EXPECT_EQ(made, 1);
    second.beginAppearanceTransition(false);
}

TEST_F(AvahiTest, ANameTakenGetsAvahisAlternative) {
    ASSERT_TRUE(daemon.start());
    ServiceAnnouncer first;
    ServiceAnnouncer second;
    QSignalSpy firstUp(&first, &ServiceAnnouncer::established);
    QSignalSpy secondUp(&second, &ServiceAnnouncer::established);
    first.start("Tidewell test", "_http._tcp", 8001);
    ASSERT_TRUE(waitUntil([&] { return firstUp.count() > 0; }));
    second.start("Tidewell test", "_http._tcp", 8002);
    ASSERT_TRUE(waitUntil([&] { return secondUp.count() > 0; }));
    EXPECT_EQ(first.serviceName(), "Tidewell test");
    EXPECT_EQ(second.serviceName(), "Tidewell test #2");
}

} // namespace
