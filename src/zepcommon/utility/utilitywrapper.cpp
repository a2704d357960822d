#include "zepcommon/utility/utilitywrapper.h"

#include "zepcommon/utility/remotevalues.h"

#include "tarnwick/apiclient.h"
#include "tarnwick/payloadcipher.h"
#include "tarnwick/remotevaluesrefresher.h"

#include <QJsonArray>
#include <QJsonObject>

#include <atomic>

namespace {

std::atomic<tarnwick::ApiClient *> chosenClient{nullptr};

tarnwick::ApiClient &client() {
    tarnwick::ApiClient *chosen = chosenClient.load();
    return chosen ? *chosen : tarnwick::ApiClient::shared();
}

} // namespace

void UtilityWrapper::setApiClient(tarnwick::ApiClient *apiClient) {
    chosenClient.store(apiClient);
}

QJsonValue UtilityWrapper::valueForEventKey(const QString &key) {
    return client().remoteValue(key);
}

bool UtilityWrapper::isValueAvailableForEventKey(const QString &key) {
    return !isEmptyString(valueForEventKey(key));
}

bool UtilityWrapper::isEmptyString(const QJsonValue &value) {
    switch (value.type()) {
    case QJsonValue::Undefined:
    case QJsonValue::Null:
        return true;
    case QJsonValue::String:
        return value.toString().trimmed().isEmpty();
    case QJsonValue::Array:
        return value.toArray().isEmpty();
    case QJsonValue::Object:
        return value.toObject().isEmpty();
    case QJsonValue::Bool:
    case QJsonValue::Double:
        return false;
    }
    return true;
}

QString UtilityWrapper::updateEventsNotificationName() {
    return tarnwick::RemoteValuesRefresher::updateNotificationName();
}

std::optional<QString> UtilityWrapper::encodeString(const QString &text, const QString &encryptionKey) {
    return tarnwick::PayloadCipher::encrypt(text, encryptionKey);
}

std::optional<QString> UtilityWrapper::decodeString(const QString &text, const QString &encryptionKey) {
    return tarnwick::PayloadCipher::decrypt(text, encryptionKey);
}

QJsonValue TarnwickRemoteValues::valueForKey(const QString &key) const {
    return UtilityWrapper::valueForEventKey(key);
}

bool TarnwickRemoteValues::isValueAvailable(const QString &key) const {
    return UtilityWrapper::isValueAvailableForEventKey(key);
}

QString TarnwickRemoteValues::updateNotificationName() const {
    return UtilityWrapper::updateEventsNotificationName();
}
