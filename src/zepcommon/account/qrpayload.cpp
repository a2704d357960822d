#include "zepcommon/account/qrpayload.h"

#include <QStringList>

namespace account {

QString QrSignInPayload::encode() const {
    return QStringList{QString(), userId, sessionId, email,
                       externalAccount ? QStringLiteral("true") : QStringLiteral("false")}
        .join(QLatin1Char(','));
}

std::optional<QrSignInPayload> QrSignInPayload::parse(const QString &text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 5)
        return std::nullopt;
    return QrSignInPayload{parts[1], parts[2], parts[3], parts[4] == QLatin1String("true")};
}

} // namespace account
