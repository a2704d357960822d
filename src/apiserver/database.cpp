#include "database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>

namespace apiserver {

using platform::fail;

DatabaseConfig DatabaseConfig::fromArgument(const QString &argument) {
    DatabaseConfig config;
    if (argument.startsWith(QLatin1String("postgresql://")) ||
        argument.startsWith(QLatin1String("postgres://"))) {
        const QUrl url(argument);
        config.driver = QStringLiteral("QPSQL");
        config.host = url.host();
        config.port = url.port(-1);
        config.user = url.userName();
        config.password = url.password();
        config.databaseName = url.path().mid(1);
        return config;
    }
    config.databaseName = argument;
    return config;
}

QString DatabaseConfig::describe() const {
    if (isSqlite())
        return QStringLiteral("SQLite file %1").arg(databaseName);
    return QStringLiteral("PostgreSQL database %1 on %2:%3 as %4")
        .arg(databaseName, host.isEmpty() ? QStringLiteral("localhost") : host)
        .arg(port > 0 ? port : 5432)
        .arg(user);
}

Connection::Connection(const DatabaseConfig &config) {
    static std::atomic<quint64> counter{0};
    m_name = QStringLiteral("tidewell-api-%1").arg(++counter);
    m_database = QSqlDatabase::addDatabase(config.driver, m_name);
    m_database->setDatabaseName(config.databaseName);
    if (!config.host.isEmpty())
        m_database->setHostName(config.host);
    if (config.port > 0)
        m_database->setPort(config.port);
    if (!config.user.isEmpty())
        m_database->setUserName(config.user);
    if (!config.password.isEmpty())
        m_database->setPassword(config.password);
    // Several requests may write at once: SQLite waits for the lock instead of failing.
    if (config.isSqlite())
        m_database->setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!m_database->open()) {
        m_error = m_database->lastError().text();
        return;
    }
    if (config.isSqlite()) {
        QSqlQuery pragma(*m_database);
        if (!pragma.exec(QStringLiteral("PRAGMA foreign_keys = ON"))) {
            m_error = pragma.lastError().text();
            m_database->close();
        }
    }
}

Connection::~Connection() {
    if (m_database)
        m_database->close();
    m_database.reset();
    QSqlDatabase::removeDatabase(m_name);
}

platform::Result<bool, DatabaseError> createSchema(const DatabaseConfig &config) {
    Connection connection(config);
    if (!connection.isOpen())
        return fail(DatabaseError::CannotOpen,
                    QStringLiteral("Cannot open the %1: %2").arg(config.describe(), connection.errorText()));
    const char *const statements[] = {
        "CREATE TABLE IF NOT EXISTS users ("
        " id TEXT PRIMARY KEY,"
        " email TEXT NOT NULL UNIQUE,"
        " password_hash TEXT,"
        " temporary_hash TEXT,"
        " temporary_expires BIGINT,"
        " provider TEXT NOT NULL,"
        " apple_subject TEXT UNIQUE,"
        " created_at BIGINT NOT NULL)",
        "CREATE TABLE IF NOT EXISTS sessions ("
        " id TEXT PRIMARY KEY,"
        " user_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
        " created_at BIGINT NOT NULL,"
        " expires_at BIGINT NOT NULL)",
        "CREATE INDEX IF NOT EXISTS sessions_user ON sessions(user_id)",
        "CREATE TABLE IF NOT EXISTS outbox ("
        " id TEXT PRIMARY KEY,"
        " recipient TEXT NOT NULL,"
        " subject TEXT NOT NULL,"
        " body TEXT NOT NULL,"
        " created_at BIGINT NOT NULL)",
        "CREATE TABLE IF NOT EXISTS login_failures ("
        " subject TEXT PRIMARY KEY,"
        " failures INTEGER NOT NULL,"
        " last_failure BIGINT NOT NULL)",
        "CREATE TABLE IF NOT EXISTS installs ("
        " id TEXT PRIMARY KEY,"
        " app TEXT NOT NULL,"
        " token TEXT NOT NULL UNIQUE,"
        " created_at BIGINT NOT NULL)",
    };
    QSqlQuery query(connection.database());
    if (config.isSqlite() && !query.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
        return fail(DatabaseError::QueryFailed, query.lastError().text());
    for (const char *statement : statements) {
        if (!query.exec(QString::fromLatin1(statement)))
            return fail(DatabaseError::QueryFailed,
                        QStringLiteral("Cannot create the schema: %1").arg(query.lastError().text()));
    }
    return true;
}

} // namespace apiserver
