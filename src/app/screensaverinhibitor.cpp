#include "app/screensaverinhibitor.h"

#include "platform/log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

const QString ScreenSaverInhibitor::serviceName = QStringLiteral("org.freedesktop.ScreenSaver");
const QString ScreenSaverInhibitor::objectPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString ScreenSaverInhibitor::interfaceName = QStringLiteral("org.freedesktop.ScreenSaver");

ScreenSaverInhibitor::ScreenSaverInhibitor(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    if (!m_cookie || !m_bus.isConnected())
        return;
    QDBusMessage release =
        QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, QStringLiteral("UnInhibit"));
    release << *m_cookie;
    m_bus.call(release, QDBus::NoBlock);
}

void ScreenSaverInhibitor::inhibit(const QString &applicationName, const QString &reason) {
    if (!m_bus.isConnected()) {
        platform::log(QStringLiteral("Screen may dim: no session bus to reach a screen saver"));
        emit finished(false);
        return;
    }
    QDBusMessage request =
        QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, QStringLiteral("Inhibit"));
    request << applicationName << reason;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError()) {
            platform::log(QStringLiteral("Screen may dim: the screen saver did not take the request (%1)")
                              .arg(reply.error().message()));
            emit finished(false);
            return;
        }
        m_cookie = reply.value();
        platform::log(QStringLiteral("Screen kept awake while Tidewell runs"));
        emit finished(true);
    });
}
