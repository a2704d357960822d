#pragma once

#include "tarnwick/apierror.h"
#include "tarnwick/export.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tarnwick {

// Caller parameters in the order they are to be written: text values, or null for a value the
// caller does not have.
using Parameters = std::vector<std::pair<QString, QJsonValue>>;

// result is undefined (QJsonValue::isUndefined) for "no result".
using Completion = std::function<void(const QJsonValue &result, const std::optional<ApiError> &error)>;
using StreamEnd = std::function<void(bool success, const std::optional<ApiError> &error)>;
using FetchCompletion = std::function<void(const std::optional<ApiError> &error)>;

// Where and as whom a client talks. standard() gives the values of the running app.
struct TARNWICK_EXPORT ApiClientSettings {
    QString appIdentifier;
    QString appVersion;
    QUrl serviceUrl;
    QString secretStorePath;
    QString remoteValuesPath;
    // Asked at every send; empty means ApiClient::isVpnActive.
    std::function<bool()> vpnProbe;

    // App identifier: the organisation domain reversed and the application name when the host
    // set both, else the fixed default. Version: QCoreApplication::applicationVersion(). Service
    // URL: $TARNWICK_SERVICE_URL when set, else the fixed one. The secret store and the cache
    // file at their default places.
    static ApiClientSettings standard();
};

// The client of the web API. Every call goes to one service URL as a JSON envelope whose inner
// record (device record, caller parameters, endpoint name) is AES-encrypted with the payload key.
//
// Threads: all methods are safe from any thread. HTTP runs through a QNetworkAccessManager on a
// worker thread the client owns; every completion runs on that thread, so callers hop to the
// main queue themselves before touching the UI. A client must not be destroyed from one of its
// own completions. Nothing is retried; transfers give up after 60 seconds without traffic.
class TARNWICK_EXPORT ApiClient {
public:
    explicit ApiClient(ApiClientSettings settings);
    ~ApiClient();
    ApiClient(const ApiClient &) = delete;
    ApiClient &operator=(const ApiClient &) = delete;

    // The process-wide client with ApiClientSettings::standard(), created once on first use and
    // never destroyed.
    static ApiClient &shared();

    // Sends one API call. The completion runs exactly once: (result, no error) on success;
    // (none, error) for a transport error or an answer that is not JSON; (none, none) for a body
    // that is not UTF-8 or an answer without a readable payload. An empty endpoint gives the
    // MissingEndpoint error without any network traffic. For the remote-values endpoint the
    // result is the encrypted payload text itself.
    void post(const QString &endpoint, const Parameters &parameters, Completion completion);

    // A call whose answer is a stream of separately encrypted messages: onMessage runs once per
    // message (value or error), then onEnd once with (true, none) or (false, error).
    void streamRequest(const QString &endpoint, const Parameters &parameters, Completion onMessage,
                       StreamEnd onEnd);
    // Cancels the last started stream; its onEnd then gets (false, the cancellation error).
    void cancelStream();

    // Fetches the remote values; on success they replace the cache (memory and file) and
    // hasRemoteValues() becomes true. An answer that does not decrypt to a JSON object is an
    // error and leaves the cache as it was.
    void fetchRemoteValues(FetchCompletion completion);
    bool hasRemoteValues() const;
    // One key of the cached remote values; undefined when there is no cache, it cannot be
    // decrypted or parsed, or the key is absent.
    QJsonValue remoteValue(const QString &key) const;

    void setExtraDeviceValue(const QString &value);

    QString installId() const;
    // Ignored when empty or equal to the current id; otherwise adopted and written to the store.
    void storeInstallId(const QString &installId);
    QString accessToken() const;
    // Ignored when empty; otherwise written to the store.
    void storeAccessToken(const QString &token);

    // The device record as the next call would carry it, in order.
    std::vector<std::pair<QString, QJsonValue>> deviceRecord() const;
    QString payloadKey() const;
    const ApiClientSettings &settings() const;

    // True when an interface that is up has a name containing one of the VPN fragments.
    static bool isVpnActive();
    static bool isVpnInterfaceName(const QString &name);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tarnwick
