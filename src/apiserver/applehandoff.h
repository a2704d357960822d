#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <map>
#include <mutex>

namespace apiserver {

using Clock = std::function<QDateTime()>;

// What an HTTP route answers; the front end copies it onto its reply as it stands.
struct HandoffAnswer {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

// Sign in with Apple from the desktop app: Apple's form-post redirect lands on tidewell-api
// (POST /auth/apple/callback), which keeps what Apple sent under the request's `state` until the
// waiting app fetches it (GET /auth/apple/result?state=…). Each entry is handed out once and
// forgotten after the lifetime; the table holds at most `capacity` entries.
//
// The table lives in this process's memory: several tidewell-api processes behind one address need
// the callback and the result routed to the same process. The token is not verified here; the
// sign-in endpoint verifies it when the app presents it. Thread-safe.
class AppleHandoff {
public:
    struct Limits {
        std::size_t capacity = 1024;
        qint64 lifetimeSeconds = 300;
    };
    static constexpr std::size_t maximumBody = 32 * 1024;

    explicit AppleHandoff(Clock clock);
    AppleHandoff(Clock clock, Limits limits);

    // The form body of Apple's redirect (application/x-www-form-urlencoded): `state` and either
    // `id_token` (with `code` and, on the first sign-in, `user`) or `error`. Answers an HTML page
    // for the browser: 200 when kept, 400 for a bad form, 409 for a state already used, 503 while
    // the table is full.
    HandoffAnswer receiveCallback(const QByteArray &formBody);

    // The app's poll, answered in JSON: 200 with {"idToken", "user"} or {"error"} the first time,
    // 404 after that (the entry was handed out), 202 while nothing has arrived for the state, 400
    // for a malformed state. The app keeps polling on 202 until its own time-out.
    HandoffAnswer takeResult(const QString &state);

    static bool isValidState(const QString &state);

private:
    struct Entry {
        QString idToken;
        QString user; // Apple's `user` JSON, only on the account's first sign-in
        QString error;
        QDateTime expiry;
        bool taken = false; // handed out; kept until expiry so a replayed callback is refused
    };
    void dropExpired(const QDateTime &now);

    Clock m_clock;
    Limits m_limits;
    std::mutex m_mutex;
    std::map<QString, Entry> m_entries;
};

} // namespace apiserver
