#include "testapiserver.h"

#include "mailer.h"
#include "tarnwick/protocol.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace testsupport {

class TestApiServer::CapturingMailer : public apiserver::Mailer {
public:
    bool send(const QString &recipient, const QString &subject, const QString &body) override {
        std::lock_guard lock(mutex);
        mails.push_back({recipient, subject, body});
        return true;
    }
    mutable std::mutex mutex;
    std::vector<Mail> mails;
};

apiserver::AccountOptions fastAccountOptions() {
    apiserver::AccountOptions options;
    options.argon2 = {1, 8 * 1024}; // libsodium's least: hashes in well under a millisecond
    return options;
}

TestApiServer::TestApiServer(apiserver::AccountOptions options, QJsonObject remoteValues)
    : m_now(QDateTime(QDate(2026, 12, 7), QTime(22, 0), Qt::UTC))
    , m_mailer(std::make_unique<CapturingMailer>()) {
    static std::atomic<int> counter{0};
    const int number = ++counter;
    m_database =
        apiserver::DatabaseConfig::fromArgument(sandboxRoot() + QStringLiteral("/api-%1.sqlite").arg(number));
    // With TIDEWELL_TEST_POSTGRES (a URL of a database whose user may create databases) every
    // server gets a fresh PostgreSQL database instead, to run the same tests on QPSQL.
    const QString postgres = qEnvironmentVariable("TIDEWELL_TEST_POSTGRES");
    if (!postgres.isEmpty()) {
        m_admin = apiserver::DatabaseConfig::fromArgument(postgres);
        m_database = m_admin;
        m_database.databaseName =
            QStringLiteral("tidewell_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(number);
        runAdmin(QStringLiteral("CREATE DATABASE %1").arg(m_database.databaseName));
    }
    const auto schema = apiserver::createSchema(m_database);
    EXPECT_TRUE(schema) << schema.message().toStdString();
    const apiserver::Clock clock = [this] {
        return now();
    };
    m_accounts =
        std::make_unique<apiserver::AccountService>(m_database, std::move(options), *m_mailer, clock);
    m_service =
        std::make_unique<apiserver::ApiService>(m_database, *m_accounts, std::move(remoteValues), clock);
    m_appleHandoff = std::make_unique<apiserver::AppleHandoff>(clock);
    m_frontend = std::make_unique<apiserver::HttpFrontend>(*m_service, *m_appleHandoff);
    const auto port = m_frontend->start(QStringLiteral("127.0.0.1"), 0);
    EXPECT_TRUE(port) << port.message().toStdString();
    m_port = port ? *port : 0;
}

TestApiServer::~TestApiServer() {
    m_frontend->stop();
    if (!m_admin.databaseName.isEmpty())
        runAdmin(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_database.databaseName));
}

void TestApiServer::runAdmin(const QString &statement) {
    apiserver::Connection connection(m_admin);
    ASSERT_TRUE(connection.isOpen()) << connection.errorText().toStdString();
    QSqlQuery query(connection.database());
    EXPECT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
}

QUrl TestApiServer::serviceUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(tarnwick::protocol::servicePath));
}

QUrl TestApiServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

QDateTime TestApiServer::now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void TestApiServer::advance(qint64 seconds) {
    std::lock_guard lock(m_mutex);
    m_now = m_now.addSecs(seconds);
}

std::vector<Mail> TestApiServer::mails() const {
    std::lock_guard lock(m_mailer->mutex);
    return m_mailer->mails;
}

tarnwick::ApiClientSettings TestApiServer::clientSettings(const QString &name,
                                                          std::shared_ptr<std::atomic<bool>> vpn) const {
    return testClientSettings(serviceUrl(), name, std::move(vpn));
}

tarnwick::ApiClientSettings testClientSettings(const QUrl &url, const QString &name,
                                               std::shared_ptr<std::atomic<bool>> vpn) {
    tarnwick::ApiClientSettings settings;
    settings.appIdentifier = QStringLiteral("app.tidewell.Tidewell");
    settings.appVersion = QStringLiteral("1.2.3");
    settings.serviceUrl = url;
    settings.secretStorePath = sandboxRoot() + "/clients/" + name + "/secrets.json";
    settings.remoteValuesPath = sandboxRoot() + "/clients/" + name + "/remote-values.dat";
    if (!vpn)
        vpn = std::make_shared<std::atomic<bool>>(false);
    settings.vpnProbe = [vpn] {
        return vpn->load();
    };
    return settings;
}

CallAnswer postAndWait(tarnwick::ApiClient &client, const QString &endpoint,
                       const tarnwick::Parameters &parameters) {
    std::promise<CallAnswer> promise;
    client.post(endpoint, parameters,
                [&promise](const QJsonValue &result, const std::optional<tarnwick::ApiError> &error) {
                    promise.set_value({result, error});
                });
    return promise.get_future().get();
}

} // namespace testsupport
