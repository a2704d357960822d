#pragma once

#include "accountstore.h"
#include "database.h"
#include "idtokenverifier.h"
#include "loginthrottle.h"
#include "mailer.h"
#include "passwordhasher.h"

#include <QDateTime>
#include <QJsonObject>
#include <chrono>
#include <functional>
#include <memory>

namespace apiserver {

using Clock = std::function<QDateTime()>;

struct AccountOptions {
    Argon2Parameters argon2;
    LoginLimits limits;
    std::chrono::seconds sessionLifetime{30 * 24 * 3600};
    std::chrono::seconds temporaryPasswordLifetime{3600};
    // Sign in with Apple: the key set and the app's identifier as audience. Without keys the
    // endpoint refuses every call.
    std::shared_ptr<const IdTokenVerifier> appleKeys;
    QString appleAudience;
    // Google: ID tokens are verified with these keys and the client id as audience. Only the
    // development flag lets a bare e-mail sign in.
    std::shared_ptr<const IdTokenVerifier> googleKeys;
    QString googleAudience;
    bool acceptUnverifiedGoogle = false;
};

// The twelve account endpoints. Every answer is a JSON object with "message" (success text),
// "error" (failure text) or "result" (userId, sessionId, email, isForgotPasswordRequested).
// Passwords of at least 8 characters are stored as Argon2id hashes (scrypt hashes of earlier
// versions are replaced at the next sign-in); password attempts are limited per account and per
// address (LoginLimits); session ids come from the CSPRNG. Safe from any thread: each call opens
// its own database connection.
class AccountService {
public:
    AccountService(DatabaseConfig database, AccountOptions options, Mailer &mailer, Clock clock);

    static bool handles(const QString &endpoint);
    // clientAddress: the caller's address, for the per-address limit; empty when unknown.
    QJsonObject handle(const QString &endpoint, const QJsonObject &parameters,
                       const QString &clientAddress = {});

private:
    struct Call;
    using Handler = QJsonObject (AccountService::*)(Call &);

    QJsonObject signUp(Call &call);
    QJsonObject login(Call &call);
    QJsonObject validateSession(Call &call);
    QJsonObject signOut(Call &call);
    QJsonObject loginGoogle(Call &call);
    QJsonObject loginApple(Call &call);
    QJsonObject forgotPassword(Call &call);
    QJsonObject resetPassword(Call &call);
    QJsonObject details(Call &call);
    QJsonObject crossPlatformLogin(Call &call);
    QJsonObject deleteAccount(Call &call);
    QJsonObject changePassword(Call &call);

    QJsonObject startSession(Call &call, const UserRecord &user, bool temporaryPasswordUsed);
    QJsonObject signInExternal(Call &call, const QString &email, const QString &provider,
                               const QString &appleSubject);
    // The user of a live session that belongs to userId; NotFound when there is none.
    StoreResult<UserRecord> sessionUser(Call &call, const QString &userId, const QString &sessionId);
    bool matchesTemporary(const Call &call, const UserRecord &user, const QString &password) const;
    // Checks a password attempt through the throttle: nullopt when the attempt may not be checked
    // now (or the database failed: then *error is set), else whether verify said yes, with the
    // outcome recorded.
    std::optional<bool> checkAttempt(Call &call, const QString &email, const std::function<bool()> &verify,
                                     QJsonObject *error);

    DatabaseConfig m_database;
    AccountOptions m_options;
    PasswordHasher m_hasher;
    QString m_dummyHash; // verified against when the address has no account
    Mailer &m_mailer;
    Clock m_clock;
};

// The checks the app's forms make, made again here.
bool isValidEmail(const QString &email);
bool isValidPassword(const QString &password);

} // namespace apiserver
