#pragma once

#include "database.h"
#include "platform/result.h"

#include <QString>
#include <QVariant>
#include <initializer_list>

class QSqlQuery;

namespace apiserver {

struct UserRecord {
    QString id;
    QString email; // lower case
    QString passwordHash;
    QString temporaryHash;
    qint64 temporaryExpires = 0; // seconds since the epoch
    QString provider;            // "email", "apple" or "google"
    QString appleSubject;
};

struct SessionRecord {
    QString id;
    QString userId;
    qint64 expiresAt = 0;
};

struct InstallRecord {
    QString id;
    QString app;
    QString token;
};

// Failed password attempts against one subject ("account:<email>" or "address:<ip>").
struct FailureRecord {
    int failures = 0;
    qint64 lastFailure = 0; // seconds since the epoch
};

enum class StoreError { NotFound, Failed };

template <typename T> using StoreResult = platform::Result<T, StoreError>;

// The account tables, through prepared statements only. Works on one open Connection and so
// on the thread that opened it. Every failure of the database is a StoreError::Failed with the
// driver's text.
class AccountStore {
public:
    explicit AccountStore(Connection &connection)
        : m_connection(connection) {}

    StoreResult<UserRecord> userByEmail(const QString &email);
    StoreResult<UserRecord> userById(const QString &id);
    StoreResult<UserRecord> userByAppleSubject(const QString &subject);
    StoreResult<bool> insertUser(const UserRecord &user, qint64 now);
    // Sets the password and clears any temporary password.
    StoreResult<bool> setPassword(const QString &userId, const QString &hash);
    // Replaces the password hash only where it still is `oldHash` (a newer password set meanwhile
    // stays); the temporary password is left alone.
    StoreResult<bool> replacePasswordHash(const QString &userId, const QString &oldHash,
                                          const QString &newHash);
    StoreResult<bool> setTemporaryPassword(const QString &userId, const QString &hash, qint64 expires);
    StoreResult<bool> setAppleSubject(const QString &userId, const QString &subject);
    // Removes the user with all their sessions, in one transaction.
    StoreResult<bool> deleteUser(const QString &userId);

    StoreResult<bool> insertSession(const SessionRecord &session, qint64 now);
    StoreResult<SessionRecord> session(const QString &id);
    StoreResult<bool> deleteSession(const QString &id);

    StoreResult<bool> insertOutbox(const QString &recipient, const QString &subject, const QString &body,
                                   qint64 now);

    // No failures yet reads as a record of 0.
    StoreResult<FailureRecord> failures(const QString &subject);
    // One more failure at `now`; a count whose last failure is older than forgetBefore starts
    // again at 1. One statement, so concurrent servers on one database count every failure.
    StoreResult<bool> addFailure(const QString &subject, qint64 now, qint64 forgetBefore);
    StoreResult<bool> clearFailures(const QString &subject);

    StoreResult<InstallRecord> install(const QString &id);
    StoreResult<bool> insertInstall(const InstallRecord &install, qint64 now);
    StoreResult<bool> setInstallToken(const QString &id, const QString &token);

private:
    StoreResult<bool> run(QSqlQuery &query, const QString &sql, std::initializer_list<QVariant> values);
    StoreResult<UserRecord> user(const char *column, const QString &value);

    Connection &m_connection;
};

} // namespace apiserver
