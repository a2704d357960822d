#include "accountstore.h"

#include "passwordhasher.h"

#include <QSqlError>
#include <QSqlQuery>

namespace apiserver {

using platform::fail;

namespace {
QString text(const QSqlQuery &query, int column) {
    return query.value(column).toString();
}
} // namespace

StoreResult<bool> AccountStore::run(QSqlQuery &query, const QString &sql,
                                    std::initializer_list<QVariant> values) {
    if (!query.prepare(sql))
        return fail(StoreError::Failed, query.lastError().text());
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        return fail(StoreError::Failed, query.lastError().text());
    return true;
}

StoreResult<UserRecord> AccountStore::user(const char *column, const QString &value) {
    QSqlQuery query(m_connection.database());
    // The column comes from this file only, never from a request.
    const QString sql =
        QStringLiteral("SELECT id, email, password_hash, temporary_hash, temporary_expires, provider,"
                       " apple_subject FROM users WHERE %1 = ?")
            .arg(QLatin1String(column));
    if (auto ran = run(query, sql, {value}); !ran)
        return fail(ran.reason(), ran.message());
    if (!query.next())
        return fail(StoreError::NotFound);
    return UserRecord{
        text(query, 0), text(query, 1), text(query, 2), text(query, 3), query.value(4).toLongLong(),
        text(query, 5), text(query, 6)};
}

StoreResult<UserRecord> AccountStore::userByEmail(const QString &email) {
    return user("email", email);
}
StoreResult<UserRecord> AccountStore::userById(const QString &id) {
    return user("id", id);
}
StoreResult<UserRecord> AccountStore::userByAppleSubject(const QString &subject) {
    return user("apple_subject", subject);
}

namespace {
QVariant nullable(const QString &value) {
    return value.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : value;
}
} // namespace

StoreResult<bool> AccountStore::insertUser(const UserRecord &user, qint64 now) {
    QSqlQuery query(m_connection.database());
    return run(
        query,
        QStringLiteral("INSERT INTO users (id, email, password_hash, temporary_hash, temporary_expires,"
                       " provider, apple_subject, created_at) VALUES (?, ?, ?, NULL, 0, ?, ?, ?)"),
        {user.id, user.email, nullable(user.passwordHash), user.provider, nullable(user.appleSubject), now});
}

StoreResult<bool> AccountStore::setPassword(const QString &userId, const QString &hash) {
    QSqlQuery query(m_connection.database());
    return run(
        query,
        QStringLiteral("UPDATE users SET password_hash = ?, temporary_hash = NULL, temporary_expires = 0"
                       " WHERE id = ?"),
        {hash, userId});
}

StoreResult<bool> AccountStore::setTemporaryPassword(const QString &userId, const QString &hash,
                                                     qint64 expires) {
    QSqlQuery query(m_connection.database());
    return run(query,
               QStringLiteral("UPDATE users SET temporary_hash = ?, temporary_expires = ? WHERE id = ?"),
               {hash, expires, userId});
}

StoreResult<bool> AccountStore::setAppleSubject(const QString &userId, const QString &subject) {
    QSqlQuery query(m_connection.database());
    return run(query, QStringLiteral("UPDATE users SET apple_subject = ? WHERE id = ?"), {subject, userId});
}

StoreResult<bool> AccountStore::deleteUser(const QString &userId) {
    QSqlDatabase &database = m_connection.database();
    if (!database.transaction())
        return fail(StoreError::Failed, database.lastError().text());
    StoreResult<bool> result = true;
    {
        QSqlQuery query(database);
        result = run(query, QStringLiteral("DELETE FROM sessions WHERE user_id = ?"), {userId});
        if (result)
            result = run(query, QStringLiteral("DELETE FROM users WHERE id = ?"), {userId});
    }
    if (!result) {
        database.rollback();
        return result;
    }
    if (!database.commit())
        return fail(StoreError::Failed, database.lastError().text());
    return true;
}

StoreResult<bool> AccountStore::insertSession(const SessionRecord &session, qint64 now) {
    QSqlQuery query(m_connection.database());
    return run(
        query,
        QStringLiteral("INSERT INTO sessions (id, user_id, created_at, expires_at) VALUES (?, ?, ?, ?)"),
        {session.id, session.userId, now, session.expiresAt});
}

StoreResult<SessionRecord> AccountStore::session(const QString &id) {
    QSqlQuery query(m_connection.database());
    if (auto ran =
            run(query, QStringLiteral("SELECT id, user_id, expires_at FROM sessions WHERE id = ?"), {id});
        !ran)
        return fail(ran.reason(), ran.message());
    if (!query.next())
        return fail(StoreError::NotFound);
    return SessionRecord{text(query, 0), text(query, 1), query.value(2).toLongLong()};
}

StoreResult<bool> AccountStore::deleteSession(const QString &id) {
    QSqlQuery query(m_connection.database());
    return run(query, QStringLiteral("DELETE FROM sessions WHERE id = ?"), {id});
}

StoreResult<bool> AccountStore::insertOutbox(const QString &recipient, const QString &subject,
                                             const QString &body, qint64 now) {
    const auto id = randomHex(16);
    if (!id)
        return fail(StoreError::Failed, QStringLiteral("No random bytes for the outbox entry."));
    QSqlQuery query(m_connection.database());
    return run(query,
               QStringLiteral(
                   "INSERT INTO outbox (id, recipient, subject, body, created_at) VALUES (?, ?, ?, ?, ?)"),
               {*id, recipient, subject, body, now});
}

StoreResult<bool> AccountStore::replacePasswordHash(const QString &userId, const QString &oldHash,
                                                    const QString &newHash) {
    QSqlQuery query(m_connection.database());
    return run(query, QStringLiteral("UPDATE users SET password_hash = ? WHERE id = ? AND password_hash = ?"),
               {newHash, userId, oldHash});
}

StoreResult<FailureRecord> AccountStore::failures(const QString &subject) {
    QSqlQuery query(m_connection.database());
    if (auto ran =
            run(query, QStringLiteral("SELECT failures, last_failure FROM login_failures WHERE subject = ?"),
                {subject});
        !ran)
        return fail(ran.reason(), ran.message());
    if (!query.next())
        return FailureRecord{};
    return FailureRecord{query.value(0).toInt(), query.value(1).toLongLong()};
}

StoreResult<bool> AccountStore::addFailure(const QString &subject, qint64 now, qint64 forgetBefore) {
    QSqlQuery query(m_connection.database());
    // ON CONFLICT … DO UPDATE is understood by SQLite (3.24 and later) and PostgreSQL alike.
    return run(query,
               QStringLiteral("INSERT INTO login_failures (subject, failures, last_failure) VALUES (?, 1, ?)"
                              " ON CONFLICT (subject) DO UPDATE SET"
                              " failures = CASE WHEN login_failures.last_failure < ? THEN 1"
                              " ELSE login_failures.failures + 1 END,"
                              " last_failure = excluded.last_failure"),
               {subject, now, forgetBefore});
}

StoreResult<bool> AccountStore::clearFailures(const QString &subject) {
    QSqlQuery query(m_connection.database());
    return run(query, QStringLiteral("DELETE FROM login_failures WHERE subject = ?"), {subject});
}

StoreResult<InstallRecord> AccountStore::install(const QString &id) {
    QSqlQuery query(m_connection.database());
    if (auto ran = run(query, QStringLiteral("SELECT id, app, token FROM installs WHERE id = ?"), {id}); !ran)
        return fail(ran.reason(), ran.message());
    if (!query.next())
        return fail(StoreError::NotFound);
    return InstallRecord{text(query, 0), text(query, 1), text(query, 2)};
}

StoreResult<bool> AccountStore::insertInstall(const InstallRecord &install, qint64 now) {
    QSqlQuery query(m_connection.database());
    return run(query, QStringLiteral("INSERT INTO installs (id, app, token, created_at) VALUES (?, ?, ?, ?)"),
               {install.id, install.app, install.token, now});
}

StoreResult<bool> AccountStore::setInstallToken(const QString &id, const QString &token) {
    QSqlQuery query(m_connection.database());
    return run(query, QStringLiteral("UPDATE installs SET token = ? WHERE id = ?"), {token, id});
}

} // namespace apiserver
