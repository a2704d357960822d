#include "oauthsettings.h"

#include "platform/defaults.h"
#include "tarnwick/protocol.h"

#include <QByteArray>
#include <QDesktopServices>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <vector>

namespace account {

namespace {

QUrl urlOr(const platform::Defaults &defaults, const char *key, const QUrl &fallback) {
    const QUrl url(defaults.stringValue(QString::fromLatin1(key)), QUrl::StrictMode);
    return url.isValid() && !url.isRelative() ? url : fallback;
}

QUrl serviceOrigin() {
    namespace proto = tarnwick::protocol;
    QUrl url(qEnvironmentVariable(proto::serviceUrlVariable), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        url = QUrl(QString::fromLatin1(proto::serviceUrlFormat).arg(QString::fromLatin1(proto::serviceHost)));
    return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
}

} // namespace

OAuthSettings OAuthSettings::fromDefaults(const platform::Defaults &defaults) {
    OAuthSettings settings;
    settings.googleClientId = defaults.stringValue(QString::fromLatin1(oauthkeys::googleClientId)).trimmed();
    settings.googleClientSecret =
        defaults.stringValue(QString::fromLatin1(oauthkeys::googleClientSecret)).trimmed();
    settings.googleAuthorizeUrl = urlOr(defaults, oauthkeys::googleAuthorizeUrl, settings.googleAuthorizeUrl);
    settings.googleTokenUrl = urlOr(defaults, oauthkeys::googleTokenUrl, settings.googleTokenUrl);
    settings.appleServiceId = defaults.stringValue(QString::fromLatin1(oauthkeys::appleServiceId)).trimmed();
    settings.appleAuthorizeUrl = urlOr(defaults, oauthkeys::appleAuthorizeUrl, settings.appleAuthorizeUrl);
    settings.appleHandoffUrl = urlOr(defaults, oauthkeys::appleHandoffUrl, serviceOrigin());
    return settings;
}

BrowserOpener systemBrowser() {
    return [](const QUrl &url) {
        return QDesktopServices::openUrl(url);
    };
}

QString randomUrlSafeText(int bytes) {
    std::vector<quint32> words(std::size_t((bytes + 3) / 4));
    QRandomGenerator::system()->fillRange(words.data(), qsizetype(words.size()));
    const QByteArray raw = QByteArray(reinterpret_cast<const char *>(words.data()), bytes);
    return QString::fromLatin1(raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

std::optional<QJsonObject> unverifiedClaims(const QString &token) {
    const QStringList parts = token.split(QLatin1Char('.'));
    if (parts.size() != 3)
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(
        parts[1].toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*decoded, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace account
