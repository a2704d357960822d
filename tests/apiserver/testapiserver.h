#pragma once

#include "accountservice.h"
#include "apiservice.h"
#include "httpfrontend.h"
#include "tarnwick/apiclient.h"

#include <QDateTime>
#include <QJsonObject>
#include <QUrl>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace testsupport {

struct Mail {
    QString recipient;
    QString subject;
    QString body;
};

// A real tidewell-api on a free loopback port, with an SQLite file in the test sandbox (or a fresh
// PostgreSQL database, see TIDEWELL_TEST_POSTGRES), a clock
// the test moves and a mailer that keeps the mails. Stopped and joined on destruction.
class TestApiServer {
public:
    explicit TestApiServer(apiserver::AccountOptions options = {}, QJsonObject remoteValues = {});
    ~TestApiServer();

    QUrl serviceUrl() const;
    // http://127.0.0.1:<port>, where the Apple hand-off routes live.
    QUrl baseUrl() const;
    int port() const { return m_port; }
    const apiserver::DatabaseConfig &database() const { return m_database; }

    void advance(qint64 seconds);
    std::vector<Mail> mails() const;

    // Client settings that talk to this server and keep their secrets and cache under name.
    tarnwick::ApiClientSettings clientSettings(const QString &name,
                                               std::shared_ptr<std::atomic<bool>> vpn = {}) const;

private:
    class CapturingMailer;
    QDateTime now() const;
    void runAdmin(const QString &statement);

    mutable std::mutex m_mutex;
    QDateTime m_now;
    apiserver::DatabaseConfig m_database;
    apiserver::DatabaseConfig m_admin; // set when the tests run on PostgreSQL
    std::unique_ptr<CapturingMailer> m_mailer;
    std::unique_ptr<apiserver::AccountService> m_accounts;
    std::unique_ptr<apiserver::ApiService> m_service;
    std::unique_ptr<apiserver::AppleHandoff> m_appleHandoff;
    std::unique_ptr<apiserver::HttpFrontend> m_frontend;
    int m_port = 0;
};

// The answer of one call, waited for on the calling thread.
struct CallAnswer {
    QJsonValue result;
    std::optional<tarnwick::ApiError> error;
    QJsonObject object() const { return result.toObject(); }
};
CallAnswer postAndWait(tarnwick::ApiClient &client, const QString &endpoint,
                       const tarnwick::Parameters &parameters);

// Client settings for a server at url, keeping secrets and cache in a sandbox folder of their
// own; the VPN probe reads the flag (off when none is given).
tarnwick::ApiClientSettings testClientSettings(const QUrl &url, const QString &name,
                                               std::shared_ptr<std::atomic<bool>> vpn = {});

// Parameters for tests: the cheapest Argon2id.
apiserver::AccountOptions fastAccountOptions();

} // namespace testsupport
