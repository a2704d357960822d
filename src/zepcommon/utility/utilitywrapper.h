#pragma once

#include <QJsonValue>
#include <QString>
#include <optional>

namespace tarnwick {
class ApiClient;
}

// The façade over Tarnwick for the common framework's screens: remote values by short
// dotted keys ("u.p.f.e", "p.i.a.o", "f.r.e", "s.l.c"), the name of the notification posted when
// they were refreshed, and the payload cipher. Class methods only; safe from any thread.
class UtilityWrapper {
public:
    // The cached remote value, or undefined when there is none.
    static QJsonValue valueForEventKey(const QString &key);
    // True unless isEmptyString holds for the key's value.
    static bool isValueAvailableForEventKey(const QString &key);
    // True for no value, for null, for text that is empty once white space and line breaks are
    // trimmed, and for an empty array or object. Numbers and booleans are never empty.
    static bool isEmptyString(const QJsonValue &value);
    static QString updateEventsNotificationName();

    // PayloadCipher.encrypt and decrypt; nullopt when the cipher fails or the text is not valid.
    static std::optional<QString> encodeString(const QString &text, const QString &encryptionKey);
    static std::optional<QString> decodeString(const QString &text, const QString &encryptionKey);

    // The client whose remote values are read: ApiClient::shared() unless the host (or a test)
    // sets another, which must outlive its use here. Null restores the shared client.
    static void setApiClient(tarnwick::ApiClient *client);
};
