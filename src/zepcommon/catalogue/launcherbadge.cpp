#include "zepcommon/catalogue/launcherbadge.h"

#include "platform/log.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QVariantMap>

namespace catalogue {

void setLauncherBadge(int count, const QString &desktopFileId) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        platform::log(QStringLiteral("App icon badge: %1 (no session bus to show it)").arg(count));
        return;
    }
    // Docks match the entry by the application URI; the object path only has to be unique.
    const QByteArray id = QCryptographicHash::hash(desktopFileId.toUtf8(), QCryptographicHash::Md5).toHex();
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/") + QString::fromLatin1(id),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://") + desktopFileId
           << QVariantMap{{QStringLiteral("count"), qint64(count)},
                          {QStringLiteral("count-visible"), count > 0}};
    if (!bus.send(update))
        platform::log(
            QStringLiteral("App icon badge: %1 (not sent: %2)").arg(count).arg(bus.lastError().message()));
}

} // namespace catalogue
