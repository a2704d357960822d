#include "app/screensaverinhibitor.h"
#include "platform/log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Stands in for the desktop's screen saver on a private bus.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls;

public slots:
    uint Inhibit(const QString &application, const QString &reason) {
        calls << QStringLiteral("Inhibit %1: %2").arg(application, reason);
        return 42;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

// A dbus-daemon of the test's own, so the machine's session bus is never touched.
class PrivateBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        m_daemon.start(daemon, {"--session", "--nofork", "--print-address"});
        ASSERT_TRUE(m_daemon.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_daemon.canReadLine(); }, 10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        platform::setLogSink([this](const QString &line) { m_lines << line; });
    }
    void TearDown() override {
        platform::setLogSink({});
        for (const QString &name : m_connections)
            QDBusConnection::disconnectFromBus(name);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished();
        }
    }

    QDBusConnection connect(const QString &name) {
        m_connections << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
    QStringList m_lines;
};

TEST_F(PrivateBusTest, HoldsTheScreenSaverUntilDestroyed) {
    QDBusConnection serviceBus = connect("screensaver");
    ASSERT_TRUE(serviceBus.isConnected());
    FakeScreenSaver saver;
    ASSERT_TRUE(
        serviceBus.registerObject(ScreenSaverInhibitor::objectPath, &saver, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceBus.registerService(ScreenSaverInhibitor::serviceName));

    {
        ScreenSaverInhibitor inhibitor(connect("app"));
        std::optional<bool> outcome;
        QObject::connect(&inhibitor, &ScreenSaverInhibitor::finished,
                         [&outcome](bool held) { outcome = held; });
        inhibitor.inhibit("Tidewell", "Files are moved over Wi-Fi");
        ASSERT_TRUE(QTest::qWaitFor([&outcome] { return outcome.has_value(); }));
        EXPECT_TRUE(*outcome);
        EXPECT_EQ(inhibitor.cookie(), 42u);
        EXPECT_EQ(saver.calls, QStringList{"Inhibit Tidewell: Files are moved over Wi-Fi"});
    }
    ASSERT_TRUE(QTest::qWaitFor([&saver] { return saver.calls.size() == 2; }));
    EXPECT_EQ(saver.calls[1], "UnInhibit 42");
}

TEST_F(PrivateBusTest, WithoutAScreenSaverOnlyALineIsLogged) {
    ScreenSaverInhibitor inhibitor(connect("app"));
    std::optional<bool> outcome;
    QObject::connect(&inhibitor, &ScreenSaverInhibitor::finished, [&outcome](bool held) { outcome = held; });
    inhibitor.inhibit("Tidewell", "test");
    ASSERT_TRUE(QTest::qWaitFor([&outcome] { return outcome.has_value(); }));
    EXPECT_FALSE(*outcome);
    EXPECT_EQ(inhibitor.cookie(), std::nullopt);
    ASSERT_EQ(m_lines.size(), 1);
    EXPECT_TRUE(m_lines[0].startsWith("Screen may dim: the screen saver did not take the request"))
        << m_lines[0].toStdString();
}

TEST(ScreenSaverInhibitor, WithoutABusItSaysSoAtOnce) {
    QStringList lines;
    platform::setLogSink([&lines](const QString &line) { lines << line; });
    ScreenSaverInhibitor inhibitor(QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "nowhere"));
    bool held = true;
    QObject::connect(&inhibitor, &ScreenSaverInhibitor::finished, [&held](bool value) { held = value; });
    inhibitor.inhibit("Tidewell", "test");
    platform::setLogSink({});
    QDBusConnection::disconnectFromBus("nowhere");
    EXPECT_FALSE(held);
    EXPECT_EQ(lines, QStringList{"Screen may dim: no session bus to reach a screen saver"});
}

} // namespace

#include "screensaverinhibitor_test.moc"
