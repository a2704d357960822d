#include "mailer.h"

#include "accountstore.h"
#include "platform/log.h"

#include <QDateTime>

namespace apiserver {

bool OutboxMailer::send(const QString &recipient, const QString &subject, const QString &body) {
    Connection connection(m_config);
    if (!connection.isOpen()) {
        platform::log(
            QStringLiteral("tidewell-api: mail to %1 not queued: %2").arg(recipient, connection.errorText()));
        return false;
    }
    const auto queued =
        AccountStore(connection).insertOutbox(recipient, subject, body, QDateTime::currentSecsSinceEpoch());
    if (!queued) {
        platform::log(
            QStringLiteral("tidewell-api: mail to %1 not queued: %2").arg(recipient, queued.message()));
        return false;
    }
    platform::log(QStringLiteral("tidewell-api: mail to %1 queued: %2").arg(recipient, subject));
    return true;
}

} // namespace apiserver
