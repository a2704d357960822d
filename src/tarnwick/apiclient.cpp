#include "tarnwick/apiclient.h"

#include "aescbc.h"
#include "devicerecord.h"
#include "networkworker.h"
#include "orderedjson.h"
#include "platform/log.h"
#include "platform/networkinterfaces.h"
#include "platform/secretstore.h"
#include "tarnwick/payloadcipher.h"
#include "tarnwick/protocol.h"
#include "tarnwick/remotevaluesstore.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <mutex>

namespace tarnwick {

using detail::NetworkWorker;

namespace {

// "No result" is an undefined value; a JSON null would read as an answer of null.
const QJsonValue noResult(QJsonValue::Undefined);

ApiError tarnwickError(protocol::ErrorCode code, const char *description) {
    return {QString::fromLatin1(protocol::errorDomain), code, QString::fromLatin1(description)};
}

ApiError jsonError(const QJsonParseError &error) {
    return {QString::fromLatin1(protocol::jsonErrorDomain), int(error.error), error.errorString()};
}

QString defaultAppIdentifier() {
    const QString domain = QCoreApplication::organizationDomain();
    const QString name = QCoreApplication::applicationName();
    if (domain.isEmpty() || name.isEmpty())
        return QString::fromLatin1(protocol::defaultAppIdentifier);
    QStringList parts = domain.split('.', Qt::SkipEmptyParts);
    std::reverse(parts.begin(), parts.end());
    return parts.join('.') + '.' + name;
}

} // namespace

ApiClientSettings ApiClientSettings::standard() {
    ApiClientSettings settings;
    settings.appIdentifier = defaultAppIdentifier();
    settings.appVersion = QCoreApplication::applicationVersion();
    const QString overrideUrl = qEnvironmentVariable(protocol::serviceUrlVariable);
    // A bad override is kept, so every call fails with a transport error that names it.
    const QUrl parsed(overrideUrl);
    if (!overrideUrl.isEmpty() &&
        (!parsed.isValid() || parsed.host().isEmpty() ||
         (parsed.scheme() != QLatin1String("http") && parsed.scheme() != QLatin1String("https"))))
        platform::log(QStringLiteral("Tarnwick: %1 is not an http or https URL: %2")
                          .arg(QLatin1String(protocol::serviceUrlVariable), overrideUrl));
    settings.serviceUrl =
        !overrideUrl.isEmpty()
            ? QUrl(overrideUrl)
            : QUrl(QString::fromLatin1(protocol::serviceUrlFormat).arg(protocol::serviceHost) +
                   protocol::servicePath);
    settings.secretStorePath = platform::SecretStore::defaultPath();
    settings.remoteValuesPath = RemoteValuesStore::defaultFilePath();
    return settings;
}

// Hidden: the class is exported, its private part is not.
struct __attribute__((visibility("hidden"))) ApiClient::Private {
    explicit Private(ApiClientSettings s)
        : settings(std::move(s))
        , key(PayloadCipher::payloadKey(settings.appIdentifier))
        , secrets(settings.secretStorePath)
        , remoteValues(settings.remoteValuesPath) {}

    std::optional<QByteArray> envelope(const QString &endpoint, const Parameters &parameters, bool stream,
                                       bool vpn) const;
    QNetworkRequest request() const;
    bool vpnActive() const { return settings.vpnProbe ? settings.vpnProbe() : ApiClient::isVpnActive(); }
    void adoptIdentity(const QJsonValue &installId, bool vpnAtSend, const QByteArray &tokenHeader);
    void finishPost(QNetworkReply *reply, const QString &endpoint, bool vpnAtSend,
                    const Completion &completion);
    void storeSecret(const char *item, const QString &value);

    const ApiClientSettings settings;
    const QString key;
    platform::SecretStore secrets;

    mutable std::mutex mutex; // guards the fields below
    QString installId;
    QString extraDeviceValue;
    RemoteValuesStore remoteValues;
    QString remoteValuesBlob;
    bool hasRemoteValues = false;

    NetworkWorker worker;
};

std::optional<QByteArray> ApiClient::Private::envelope(const QString &endpoint, const Parameters &parameters,
                                                       bool stream, bool vpn) const {
    QString extra;
    QString currentInstallId;
    {
        std::lock_guard lock(mutex);
        extra = extraDeviceValue;
        currentInstallId = installId;
    }
    detail::OrderedJsonObject inner;
    inner.append(detail::buildDeviceRecord(extra, vpn));
    if (stream)
        inner.set(QString::fromLatin1(protocol::streamField), true);
    inner.append(parameters);
    inner.setLast(QString::fromLatin1(protocol::endpointField), endpoint);
    const auto payload = PayloadCipher::encrypt(QString::fromUtf8(inner.toJson()), key);
    if (!payload)
        return std::nullopt;

    detail::OrderedJsonObject outer;
    outer.set(QString::fromLatin1(protocol::appIdentifierField), settings.appIdentifier);
    outer.set(QString::fromLatin1(protocol::clientTagField), QString::fromLatin1(protocol::clientTag));
    outer.set(QString::fromLatin1(protocol::appVersionField), settings.appVersion);
    if (!currentInstallId.isEmpty())
        outer.set(QString::fromLatin1(protocol::installIdField), currentInstallId);
    outer.set(QString::fromLatin1(protocol::payloadField), *payload);
    return outer.toJson();
}

QNetworkRequest ApiClient::Private::request() const {
    QNetworkRequest request(settings.serviceUrl);
    request.setRawHeader(protocol::contentTypeHeader, protocol::jsonMediaType);
    request.setRawHeader(protocol::acceptHeader, protocol::jsonMediaType);
    const QString token = secrets.value(QString::fromLatin1(protocol::accessTokenItem)).value_or(QString());
    request.setRawHeader(protocol::tokenHeader,
                         token.isEmpty() ? QByteArray(protocol::defaultToken) : token.toUtf8());
    request.setTransferTimeout(60000);
    return request;
}

void ApiClient::Private::storeSecret(const char *item, const QString &value) {
    const auto stored = secrets.setValue(QString::fromLatin1(item), value);
    if (!stored)
        platform::log(QStringLiteral("Tarnwick: %1").arg(stored.message()));
}

void ApiClient::Private::adoptIdentity(const QJsonValue &newInstallId, bool vpnAtSend,
                                       const QByteArray &tokenHeader) {
    // A token handed out while a VPN carries the traffic may belong to another network path;
    // it is not kept.
    if (!vpnAtSend && !tokenHeader.isEmpty())
        storeSecret(protocol::accessTokenItem, QString::fromUtf8(tokenHeader));
    if (!newInstallId.isString() || newInstallId.toString().isEmpty())
        return;
    {
        std::lock_guard lock(mutex);
        if (installId == newInstallId.toString())
            return;
        installId = newInstallId.toString();
    }
    storeSecret(protocol::installIdItem, newInstallId.toString());
}

void ApiClient::Private::finishPost(QNetworkReply *reply, const QString &endpoint, bool vpnAtSend,
                                    const Completion &completion) {
    if (reply->error() != QNetworkReply::NoError) {
        completion(noResult, NetworkWorker::transportError(reply));
        return;
    }
    const auto text = detail::utf8Text(reply->readAll());
    if (!text) {
        completion(noResult, std::nullopt);
        return;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(text->toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        completion(noResult, jsonError(parseError));
        return;
    }
    const QJsonObject answer = document.object();
    if (answer.contains(QLatin1String(protocol::installIdField)))
        adoptIdentity(answer.value(QLatin1String(protocol::installIdField)), vpnAtSend,
                      reply->rawHeader(protocol::tokenHeader));

    const QJsonValue payload = answer.value(QLatin1String(protocol::payloadField));
    if (endpoint == QLatin1String(protocol::remoteValuesEndpoint)) {
        completion(payload.isString() ? payload : QJsonValue(QJsonValue::Undefined), std::nullopt);
        return;
    }
    const auto plain = payload.isString() ? PayloadCipher::decrypt(payload.toString(), key) : std::nullopt;
    if (!plain) {
        completion(noResult, std::nullopt);
        return;
    }
    const QJsonDocument result = QJsonDocument::fromJson(plain->toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        completion(noResult, jsonError(parseError));
        return;
    }
    completion(result.isObject() ? QJsonValue(result.object()) : QJsonValue(result.array()), std::nullopt);
}

ApiClient::ApiClient(ApiClientSettings settings)
    : d(std::make_unique<Private>(std::move(settings))) {
    d->installId = d->secrets.value(QString::fromLatin1(protocol::installIdItem)).value_or(QString());
    d->remoteValues.load();
}

ApiClient::~ApiClient() = default;

ApiClient &ApiClient::shared() {
    // Never destroyed: completions may still arrive while the process winds down.
    static ApiClient *instance = new ApiClient(ApiClientSettings::standard());
    return *instance;
}

const ApiClientSettings &ApiClient::settings() const {
    return d->settings;
}
QString ApiClient::payloadKey() const {
    return d->key;
}

void ApiClient::post(const QString &endpoint, const Parameters &parameters, Completion completion) {
    if (endpoint.isEmpty()) {
        d->worker.run([completion] {
            completion(noResult,
                       tarnwickError(protocol::MissingEndpoint, protocol::missingEndpointDescription));
        });
        return;
    }
    // One probe: the device record and the token rule see the same VPN state.
    const bool vpnAtSend = d->vpnActive();
    const auto body = d->envelope(endpoint, parameters, false, vpnAtSend);
    if (!body) {
        d->worker.run([completion] {
            completion(noResult,
                       tarnwickError(protocol::EncryptionFailed, protocol::encryptionFailedDescription));
        });
        return;
    }
    Private *p = d.get();
    d->worker.send(d->request(), *body, [p, endpoint, vpnAtSend, completion](QNetworkReply *reply) {
        p->finishPost(reply, endpoint, vpnAtSend, completion);
    });
}

void ApiClient::streamRequest(const QString &endpoint, const Parameters &parameters, Completion onMessage,
                              StreamEnd onEnd) {
    if (endpoint.isEmpty()) {
        d->worker.run([onEnd] {
            onEnd(false, tarnwickError(protocol::MissingEndpoint, protocol::missingEndpointDescription));
        });
        return;
    }
    const auto body = d->envelope(endpoint, parameters, true, d->vpnActive());
    if (!body) {
        d->worker.run([onEnd] {
            onEnd(false, tarnwickError(protocol::EncryptionFailed, protocol::encryptionFailedDescription));
        });
        return;
    }
    d->worker.stream(d->request(), *body, QString::fromLatin1(protocol::streamKey), std::move(onMessage),
                     std::move(onEnd));
}

void ApiClient::cancelStream() {
    d->worker.cancelStream();
}

void ApiClient::fetchRemoteValues(FetchCompletion completion) {
    Private *p = d.get();
    post(QString::fromLatin1(protocol::remoteValuesEndpoint), {},
         [p, completion](const QJsonValue &result, const std::optional<ApiError> &error) {
             if (error) {
                 completion(error);
                 return;
             }
             // Only a blob that opens to a JSON object replaces the cache: a broken answer must
             // not destroy values that still work.
             const auto plain =
                 result.isString() ? PayloadCipher::decrypt(result.toString(), p->key) : std::nullopt;
             const bool readable = plain && QJsonDocument::fromJson(plain->toUtf8()).isObject();
             if (!readable) {
                 completion(tarnwickError(protocol::NoRemoteValues, protocol::noRemoteValuesDescription));
                 return;
             }
             {
                 std::lock_guard lock(p->mutex);
                 p->remoteValuesBlob = result.toString();
                 p->remoteValues.set(p->remoteValuesBlob);
                 p->hasRemoteValues = true;
                 if (!p->remoteValues.save())
                     platform::log(
                         QStringLiteral("Tarnwick: cannot write %1").arg(p->remoteValues.filePath()));
             }
             completion(std::nullopt);
         });
}

bool ApiClient::hasRemoteValues() const {
    std::lock_guard lock(d->mutex);
    return d->hasRemoteValues;
}

QJsonValue ApiClient::remoteValue(const QString &key) const {
    if (key.isEmpty())
        return QJsonValue::Undefined;
    std::optional<QByteArray> data;
    {
        std::lock_guard lock(d->mutex);
        data = d->remoteValues.data();
    }
    if (!data)
        return QJsonValue::Undefined;
    const auto text = detail::utf8Text(*data);
    const auto plain = text ? PayloadCipher::decrypt(*text, d->key) : std::nullopt;
    if (!plain)
        return QJsonValue::Undefined;
    return QJsonDocument::fromJson(plain->toUtf8()).object().value(key);
}

void ApiClient::setExtraDeviceValue(const QString &value) {
    std::lock_guard lock(d->mutex);
    d->extraDeviceValue = value;
}

QString ApiClient::installId() const {
    std::lock_guard lock(d->mutex);
    return d->installId;
}

void ApiClient::storeInstallId(const QString &installId) {
    if (installId.isEmpty())
        return;
    {
        std::lock_guard lock(d->mutex);
        if (installId == d->installId)
            return;
        d->installId = installId;
    }
    d->storeSecret(protocol::installIdItem, installId);
}

QString ApiClient::accessToken() const {
    return d->secrets.value(QString::fromLatin1(protocol::accessTokenItem)).value_or(QString());
}

void ApiClient::storeAccessToken(const QString &token) {
    if (!token.isEmpty())
        d->storeSecret(protocol::accessTokenItem, token);
}

std::vector<std::pair<QString, QJsonValue>> ApiClient::deviceRecord() const {
    QString extra;
    {
        std::lock_guard lock(d->mutex);
        extra = d->extraDeviceValue;
    }
    return detail::buildDeviceRecord(extra, d->vpnActive());
}

bool ApiClient::isVpnInterfaceName(const QString &name) {
    for (const char *fragment : protocol::vpnInterfaceFragments) {
        if (name.contains(QLatin1String(fragment), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool ApiClient::isVpnActive() {
    for (const QString &name : platform::upInterfaceNames()) {
        if (isVpnInterfaceName(name))
            return true;
    }
    return false;
}

} // namespace tarnwick
