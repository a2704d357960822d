#include "accountservice.h"

#include "accountendpoints.h"
#include "platform/log.h"

#include <QRegularExpression>

#include <map>

namespace apiserver {

namespace {

const char *const failedText = "The server could not complete the request.";
const char *const invalidEmailText = "Please enter a valid email address.";
const char *const shortPasswordText = "Password should be at least 8 characters.";
const char *const wrongCredentialsText = "The email or password is not correct.";
const char *const sessionExpiredText = "Session expired.";
const char *const tooManyAttemptsText =
    "Too many attempts with a wrong password. Please wait a while and try again.";

QJsonObject errorAnswer(const QString &text) {
    return {{QStringLiteral("error"), text}};
}
QJsonObject errorAnswer(const char *text) {
    return errorAnswer(QString::fromUtf8(text));
}
QJsonObject messageAnswer(const char *text) {
    return {{QStringLiteral("message"), QString::fromUtf8(text)}};
}

template <typename T> QJsonObject failed(const StoreResult<T> &result) {
    platform::log(QStringLiteral("tidewell-api: database error: %1").arg(result.message()));
    return errorAnswer(failedText);
}

} // namespace

bool isValidEmail(const QString &email) {
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}")));
    return pattern.match(email).hasMatch();
}

bool isValidPassword(const QString &password) {
    return password.toUcs4().size() >= 8;
}

struct AccountService::Call {
    AccountStore &store;
    const QJsonObject &parameters;
    qint64 now;
    QString address;

    // A parameter as text; missing, null or non-text values read as empty.
    QString text(const char *name) const { return parameters.value(QLatin1String(name)).toString(); }
    QString email() const { return text("email").trimmed().toLower(); }
};

AccountService::AccountService(DatabaseConfig database, AccountOptions options, Mailer &mailer, Clock clock)
    : m_database(std::move(database))
    , m_options(std::move(options))
    , m_hasher(m_options.argon2)
    , m_dummyHash(m_hasher.hash(QStringLiteral("no account has this password")).value_or(QString()))
    , m_mailer(mailer)
    , m_clock(std::move(clock)) {}

bool AccountService::handles(const QString &endpoint) {
    static const QStringList names = {endpoints::signUp,          endpoints::login,
                                      endpoints::validateSession, endpoints::signOut,
                                      endpoints::loginGoogle,     endpoints::loginApple,
                                      endpoints::forgotPassword,  endpoints::resetPassword,
                                      endpoints::details,         endpoints::crossPlatformLogin,
                                      endpoints::deleteAccount,   endpoints::changePassword};
    return names.contains(endpoint);
}

QJsonObject AccountService::handle(const QString &endpoint, const QJsonObject &parameters,
                                   const QString &clientAddress) {
    static const std::map<QString, Handler> table = {
        {endpoints::signUp, &AccountService::signUp},
        {endpoints::login, &AccountService::login},
        {endpoints::validateSession, &AccountService::validateSession},
        {endpoints::signOut, &AccountService::signOut},
        {endpoints::loginGoogle, &AccountService::loginGoogle},
        {endpoints::loginApple, &AccountService::loginApple},
        {endpoints::forgotPassword, &AccountService::forgotPassword},
        {endpoints::resetPassword, &AccountService::resetPassword},
        {endpoints::details, &AccountService::details},
        {endpoints::crossPlatformLogin, &AccountService::crossPlatformLogin},
        {endpoints::deleteAccount, &AccountService::deleteAccount},
        {endpoints::changePassword, &AccountService::changePassword},
    };
    const auto handler = table.find(endpoint);
    if (handler == table.end())
        return errorAnswer(QStringLiteral("Unknown endpoint."));
    Connection connection(m_database);
    if (!connection.isOpen()) {
        platform::log(
            QStringLiteral("tidewell-api: cannot open the database: %1").arg(connection.errorText()));
        return errorAnswer(failedText);
    }
    AccountStore store(connection);
    Call call{store, parameters, m_clock().toSecsSinceEpoch(), clientAddress};
    return (this->*handler->second)(call);
}

QJsonObject AccountService::startSession(Call &call, const UserRecord &user, bool temporaryPasswordUsed) {
    const auto id = randomHex(32);
    if (!id)
        return errorAnswer(failedText);
    const SessionRecord session{*id, user.id, call.now + m_options.sessionLifetime.count()};
    if (auto stored = call.store.insertSession(session, call.now); !stored)
        return failed(stored);
    return {{QStringLiteral("result"),
             QJsonObject{{QStringLiteral("userId"), user.id},
                         {QStringLiteral("sessionId"), session.id},
                         {QStringLiteral("email"), user.email},
                         {QStringLiteral("isForgotPasswordRequested"), temporaryPasswordUsed}}}};
}

StoreResult<UserRecord> AccountService::sessionUser(Call &call, const QString &userId,
                                                    const QString &sessionId) {
    if (userId.isEmpty() || sessionId.isEmpty())
        return platform::fail(StoreError::NotFound);
    const auto session = call.store.session(sessionId);
    if (!session)
        return platform::fail(session.reason(), session.message());
    if (session->userId != userId || session->expiresAt <= call.now)
        return platform::fail(StoreError::NotFound);
    return call.store.userById(userId);
}

bool AccountService::matchesTemporary(const Call &call, const UserRecord &user,
                                      const QString &password) const {
    return !user.temporaryHash.isEmpty() && user.temporaryExpires > call.now &&
           m_hasher.verify(password, user.temporaryHash);
}

QJsonObject AccountService::signUp(Call &call) {
    const QString email = call.email();
    const QString password = call.text("password");
    if (!isValidEmail(email))
        return errorAnswer(invalidEmailText);
    if (!isValidPassword(password))
        return errorAnswer(shortPasswordText);
    const auto existing = call.store.userByEmail(email);
    if (existing)
        return errorAnswer("An account with this email already exists.");
    if (existing.reason() != StoreError::NotFound)
        return failed(existing);
    const auto id = randomHex(16);
    const auto hash = m_hasher.hash(password);
    if (!id || !hash)
        return errorAnswer(failedText);
    if (auto inserted =
            call.store.insertUser({*id, email, *hash, {}, 0, QStringLiteral("email"), {}}, call.now);
        !inserted) {
        // Two sign-ups of one address at the same moment: the second loses on the unique index.
        if (call.store.userByEmail(email))
            return errorAnswer("An account with this email already exists.");
        return failed(inserted);
    }
    return messageAnswer("Your account has been created. You can sign in now.");
}

std::optional<bool> AccountService::checkAttempt(Call &call, const QString &email,
                                                 const std::function<bool()> &verify, QJsonObject *error) {
    LoginThrottle throttle(call.store, m_options.limits, call.now);
    const auto may = throttle.mayTry(email, call.address);
    if (!may || !*may) {
        *error = may ? errorAnswer(tooManyAttemptsText) : failed(may);
        return std::nullopt;
    }
    const bool right = verify();
    const auto recorded = right ? throttle.succeeded(email) : throttle.failed(email, call.address);
    if (!recorded) {
        *error = failed(recorded);
        return std::nullopt;
    }
    return right;
}

QJsonObject AccountService::login(Call &call) {
    const QString email = call.email();
    const QString password = call.text("password");
    const auto user = call.store.userByEmail(email);
    if (!user && user.reason() != StoreError::NotFound)
        return failed(user);
    enum class Match { None, Password, Temporary } match = Match::None;
    QJsonObject error;
    const auto checked = checkAttempt(
        call, email,
        [&] {
            if (!user) {
                // As slow as a wrong password, so the answer time does not tell who has an account.
                m_hasher.verify(password, m_dummyHash);
                return false;
            }
            if (password.isEmpty())
                return false;
            if (!user->passwordHash.isEmpty() && m_hasher.verify(password, user->passwordHash))
                match = Match::Password;
            else if (matchesTemporary(call, *user, password))
                match = Match::Temporary;
            return match != Match::None;
        },
        &error);
    if (!checked)
        return error;
    if (!*checked)
        return errorAnswer(wrongCredentialsText);
    if (match == Match::Password && m_hasher.needsRehash(user->passwordHash)) {
        // An older hash (scrypt, or weaker parameters) is replaced now that the password is known;
        // when that fails the old one keeps working.
        if (const auto hash = m_hasher.hash(password); hash) {
            if (auto replaced = call.store.replacePasswordHash(user->id, user->passwordHash, *hash);
                !replaced)
                platform::log(QStringLiteral("tidewell-api: could not replace an old password hash: %1")
                                  .arg(replaced.message()));
        }
    }
    return startSession(call, *user, match == Match::Temporary);
}

QJsonObject AccountService::validateSession(Call &call) {
    const auto user = sessionUser(call, call.text("userId"), call.text("sessionId"));
    if (!user && user.reason() != StoreError::NotFound)
        return failed(user);
    if (!user)
        return messageAnswer(sessionExpiredText);
    return {{QStringLiteral("result"), QJsonObject{{QStringLiteral("userId"), user->id},
                                                   {QStringLiteral("sessionId"), call.text("sessionId")},
                                                   {QStringLiteral("email"), user->email}}}};
}

QJsonObject AccountService::signOut(Call &call) {
    const auto user = sessionUser(call, call.text("userId"), call.text("sessionId"));
    if (!user && user.reason() != StoreError::NotFound)
        return failed(user);
    if (!user)
        return errorAnswer(sessionExpiredText);
    if (auto deleted = call.store.deleteSession(call.text("sessionId")); !deleted)
        return failed(deleted);
    return messageAnswer("Signed out.");
}

QJsonObject AccountService::signInExternal(Call &call, const QString &email, const QString &provider,
                                           const QString &appleSubject) {
    if (!appleSubject.isEmpty()) {
        const auto linked = call.store.userByAppleSubject(appleSubject);
        if (linked)
            return startSession(call, *linked, false);
        if (linked.reason() != StoreError::NotFound)
            return failed(linked);
    }
    const auto existing = call.store.userByEmail(email);
    if (existing) {
        if (!appleSubject.isEmpty())
            if (auto set = call.store.setAppleSubject(existing->id, appleSubject); !set)
                return failed(set);
        return startSession(call, *existing, false);
    }
    if (existing.reason() != StoreError::NotFound)
        return failed(existing);
    const auto id = randomHex(16);
    if (!id)
        return errorAnswer(failedText);
    const UserRecord user{*id, email, {}, {}, 0, provider, appleSubject};
    if (auto inserted = call.store.insertUser(user, call.now); !inserted)
        return failed(inserted);
    return startSession(call, user, false);
}

QJsonObject AccountService::loginGoogle(Call &call) {
    const QString email = call.email();
    const QString idToken = call.text("idToken");
    if (!idToken.isEmpty() && m_options.googleKeys) {
        const TokenPolicy policy{
            {QStringLiteral("accounts.google.com"), QStringLiteral("https://accounts.google.com")},
            m_options.googleAudience};
        const auto claims = m_options.googleKeys->verify(idToken, policy, m_clock());
        if (!claims)
            return errorAnswer(claims.message());
        const QString tokenEmail = claims->value(QLatin1String("email")).toString().trimmed().toLower();
        const QJsonValue verified = claims->value(QLatin1String("email_verified"));
        if (!isValidEmail(tokenEmail) || !(verified.toBool() || verified.toString() == QLatin1String("true")))
            return errorAnswer("The Google account has no verified email address.");
        if (!email.isEmpty() && email != tokenEmail)
            return errorAnswer("The email does not match the Google account.");
        return signInExternal(call, tokenEmail, QStringLiteral("google"), {});
    }
    // A bare address proves nothing; only a development server takes it on trust.
    if (!m_options.acceptUnverifiedGoogle)
        return errorAnswer("Google sign-in needs a verified Google ID token.");
    if (!isValidEmail(email))
        return errorAnswer(invalidEmailText);
    return signInExternal(call, email, QStringLiteral("google"), {});
}

QJsonObject AccountService::loginApple(Call &call) {
    if (!m_options.appleKeys)
        return errorAnswer("Sign in with Apple is not set up on this server.");
    const TokenPolicy policy{{QStringLiteral("https://appleid.apple.com")}, m_options.appleAudience};
    const auto claims = m_options.appleKeys->verify(call.text("identityToken"), policy, m_clock());
    if (!claims)
        return errorAnswer(claims.message());
    const QString subject = claims->value(QLatin1String("sub")).toString();
    if (subject.isEmpty() || subject != call.text("userIdentifier"))
        return errorAnswer("The Apple identity does not match the user.");
    QString email = claims->value(QLatin1String("email")).toString().trimmed().toLower();
    // Apple may leave the address out; the account is then known by its subject alone.
    if (!isValidEmail(email))
        email = QStringLiteral("apple-%1@users.invalid").arg(subject.toLower());
    return signInExternal(call, email, QStringLiteral("apple"), subject);
}

QJsonObject AccountService::forgotPassword(Call &call) {
    const QString email = call.email();
    if (!isValidEmail(email))
        return errorAnswer(invalidEmailText);
    // The same answer whether or not the address has an account, so the endpoint cannot be
    // used to find out who has one.
    const QJsonObject sent =
        messageAnswer("If an account exists for this email, a temporary password has been sent to it.");
    const auto user = call.store.userByEmail(email);
    if (!user)
        return user.reason() == StoreError::NotFound ? sent : failed(user);
    const auto temporary = randomHex(6);
    const auto hash = temporary ? m_hasher.hash(*temporary) : std::nullopt;
    if (!hash)
        return errorAnswer(failedText);
    const qint64 expires = call.now + m_options.temporaryPasswordLifetime.count();
    if (auto set = call.store.setTemporaryPassword(user->id, *hash, expires); !set)
        return failed(set);
    const QString body =
        QStringLiteral("Your temporary password is %1\nIt works for %2 minutes. Sign in with it, "
                       "then choose a new password.")
            .arg(*temporary)
            .arg(m_options.temporaryPasswordLifetime.count() / 60);
    if (!m_mailer.send(email, QStringLiteral("Your temporary password"), body))
        return errorAnswer(failedText);
    return sent;
}

QJsonObject AccountService::resetPassword(Call &call) {
    const QString newPassword = call.text("newPassword");
    if (!isValidPassword(newPassword))
        return errorAnswer(shortPasswordText);
    const auto user = call.store.userByEmail(call.email());
    if (!user && user.reason() != StoreError::NotFound)
        return failed(user);
    // An address alone would let anyone take over any account: the caller must show the
    // temporary password from the mail or a live session of the account.
    bool allowed = user && sessionUser(call, user->id, call.text("sessionId"));
    if (user && !allowed && !call.text("temporaryPassword").isEmpty()) {
        QJsonObject error;
        const auto checked = checkAttempt(
            call, user->email, [&] { return matchesTemporary(call, *user, call.text("temporaryPassword")); },
            &error);
        if (!checked)
            return error;
        allowed = *checked;
    }
    if (!allowed)
        return errorAnswer("Resetting a password needs the temporary password from the email.");
    const auto hash = m_hasher.hash(newPassword);
    if (!hash)
        return errorAnswer(failedText);
    if (auto set = call.store.setPassword(user->id, *hash); !set)
        return failed(set);
    return messageAnswer("Your password has been reset.");
}

QJsonObject AccountService::details(Call &call) {
    const auto user = call.store.userById(call.text("userId"));
    if (!user && user.reason() != StoreError::NotFound)
        return failed(user);
    if (!user)
        return errorAnswer("User not found.");
    QJsonObject result{{QStringLiteral("userId"), user->id}};
    // The address is account data: only a caller holding a session of the account sees it.
    if (sessionUser(call, user->id, call.text("sessionId")))
        result.insert(QStringLiteral("email"), user->email);
    return {{QStringLiteral("result"), result}};
}

QJsonObject AccountService::crossPlatformLogin(Call &call) {
    const auto user = sessionUser(call, call.text("userId"), call.text("sessionId"));
    if (!user && user.reason() != StoreError::NotFound)
        return failed(user);
    if (!user)
        return errorAnswer(sessionExpiredText);
    return startSession(call, *user, false);
}

QJsonObject AccountService::deleteAccount(Call &call) {
    const auto user = sessionUser(call, call.text("userId"), call.text("sessionId"));
    if (!user && user.reason() != StoreError::NotFound)
        return failed(user);
    if (!user)
        return errorAnswer(sessionExpiredText);
    const QString email = call.email();
    if (!email.isEmpty() && email != user->email)
        return errorAnswer("The email does not match this account.");
    if (auto deleted = call.store.deleteUser(user->id); !deleted)
        return failed(deleted);
    return messageAnswer("Your account has been deleted.");
}

QJsonObject AccountService::changePassword(Call &call) {
    const QString newPassword = call.text("newPassword");
    const QString oldPassword = call.text("oldPassword");
    if (!isValidPassword(newPassword))
        return errorAnswer(shortPasswordText);
    const auto user = call.store.userByEmail(call.email());
    if (!user && user.reason() != StoreError::NotFound)
        return failed(user);
    bool oldMatches = false;
    if (user && !oldPassword.isEmpty()) {
        QJsonObject error;
        const auto checked = checkAttempt(
            call, user->email,
            [&] {
                return (!user->passwordHash.isEmpty() && m_hasher.verify(oldPassword, user->passwordHash)) ||
                       matchesTemporary(call, *user, oldPassword);
            },
            &error);
        if (!checked)
            return error;
        oldMatches = *checked;
    }
    if (!oldMatches)
        return errorAnswer("The old password is not correct.");
    const auto hash = m_hasher.hash(newPassword);
    if (!hash)
        return errorAnswer(failedText);
    if (auto set = call.store.setPassword(user->id, *hash); !set)
        return failed(set);
    return messageAnswer("Your password has been updated.");
}

} // namespace apiserver
