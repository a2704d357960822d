#include "zepcommon/localnetwork/desktopintegration.h"

#include "platform/log.h"
#include "platform/notificationcenter.h"
#include "zepcommon/localnetwork/lnamanager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace localnetwork {

namespace {

constexpr int interfacePollMs = 3000;

} // namespace

bool anyInterfaceUp() {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsLoopBack) && flags.testFlag(QNetworkInterface::IsUp) &&
            flags.testFlag(QNetworkInterface::IsRunning))
            return true;
    }
    return false;
}

NetworkReachability::NetworkReachability(QObject *parent)
    : Reachability(parent) {
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        m_information = QNetworkInformation::instance();
    if (m_information) {
        connect(m_information, &QNetworkInformation::reachabilityChanged, this,
                &Reachability::reachabilityChanged);
        return;
    }
    m_lastInterfacesUp = anyInterfaceUp();
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        const bool up = anyInterfaceUp();
        if (up == m_lastInterfacesUp)
            return;
        m_lastInterfacesUp = up;
        emit reachabilityChanged();
    });
    timer->start(interfacePollMs);
}

bool NetworkReachability::isReachable() const {
    if (!m_information)
        return anyInterfaceUp();
    // Local or site reachability is enough: the other device is on the same network.
    const auto reachability = m_information->reachability();
    return reachability != QNetworkInformation::Reachability::Disconnected &&
           (reachability != QNetworkInformation::Reachability::Unknown || anyInterfaceUp());
}

ApplicationStateRelay::ApplicationStateRelay(platform::NotificationCenter &center, QObject *parent)
    : QObject(parent) {
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    connect(app, &QGuiApplication::applicationStateChanged, this, [&center](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            center.post(applicationDidBecomeActiveNotification());
        else
            center.post(applicationWillResignActiveNotification());
    });
}

bool openNetworkSettings() {
    static const QList<QStringList> candidates = {
        {"gnome-control-center", "network"},
        {"systemsettings", "kcm_networkmanagement"},
        {"nm-connection-editor"},
        {"firewall-config"},
        {"xfce4-settings-manager"},
    };
    for (const QStringList &command : candidates) {
        const QString program = QStandardPaths::findExecutable(command.first());
        if (!program.isEmpty() && QProcess::startDetached(program, command.mid(1)))
            return true;
    }
    platform::log(QStringLiteral("No network settings to open on this desktop"));
    return false;
}

void requestNotificationAuthorization(std::function<void(bool)> completion) {
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    notify << QCoreApplication::applicationName() << uint(0) << QString()
           << QStringLiteral("Notifications are on")
           << QStringLiteral("This is how notifications from this app will look.") << QStringList()
           << QVariantMap() << int(-1);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        platform::log(QStringLiteral("Notifications: no session bus"));
        QTimer::singleShot(0, [completion] { completion(false); });
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [completion](QDBusPendingCallWatcher *call) {
                         const QDBusPendingReply<uint> reply = *call;
                         if (reply.isError())
                             platform::log(QStringLiteral("Notifications: ") + reply.error().message());
                         completion(!reply.isError());
                         call->deleteLater();
                     });
}

} // namespace localnetwork
