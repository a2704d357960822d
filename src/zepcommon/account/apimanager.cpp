#include "apimanager.h"

#include "accountkeys.h"
#include "topscreen.h"

#include "platform/defaults.h"
#include "platform/log.h"
#include "platform/mainqueue.h"
#include "platform/notificationcenter.h"
#include "tarnwick/apiclient.h"

#include <QJsonDocument>
#include <QPointer>

namespace account {

namespace {

// The text of "message" when it is text, else of "error" when that is text; hasMessage tells
// whether the answer has a "message" entry at all (the title and the flag follow from it).
struct MessageOrError {
    QString text;
    bool hasMessage = false;
};

std::optional<MessageOrError> messageOrError(const std::optional<QJsonObject> &answer) {
    if (!answer)
        return std::nullopt;
    const QJsonValue message = answer->value(QStringLiteral("message"));
    const QJsonValue error = answer->value(QStringLiteral("error"));
    const bool hasMessage = answer->contains(QStringLiteral("message"));
    if (message.isString())
        return MessageOrError{message.toString(), hasMessage};
    if (error.isString())
        return MessageOrError{error.toString(), hasMessage};
    return std::nullopt;
}

std::optional<QString> textOf(const QJsonObject &object, const char *key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QJsonObject> resultOf(const std::optional<QJsonObject> &answer) {
    if (!answer || !answer->value(QStringLiteral("result")).isObject())
        return std::nullopt;
    return answer->value(QStringLiteral("result")).toObject();
}

QString titleFor(bool hasMessage) {
    return QString::fromLatin1(hasMessage ? texts::success : texts::error);
}

} // namespace

ApiManager::ApiManager(tarnwick::ApiClient &client, platform::Defaults &defaults,
                       platform::NotificationCenter &center, QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_defaults(defaults)
    , m_center(center) {}

ApiManager::~ApiManager() = default;

ApiManager &ApiManager::shared() {
    static ApiManager *manager = new ApiManager(tarnwick::ApiClient::shared(), platform::Defaults::standard(),
                                                platform::NotificationCenter::defaultCenter());
    return *manager;
}

void ApiManager::send(const QString &endpoint, const tarnwick::Parameters &parameters,
                      std::function<void(const Answer &)> rule) {
    QPointer<ApiManager> self(this);
    m_client.post(endpoint, parameters,
                  [self, endpoint, rule = std::move(rule)](const QJsonValue &result,
                                                           const std::optional<tarnwick::ApiError> &error) {
                      if (error)
                          platform::log(QStringLiteral("%1 failed: %2 (%3 %4)")
                                            .arg(endpoint, error->description, error->domain)
                                            .arg(error->code));
                      Answer answer;
                      if (result.isObject())
                          answer = result.toObject();
                      platform::dispatchMain([self, endpoint, rule, answer] {
                          if (!self)
                              return;
                          rule(answer);
                          self->logAnswer(endpoint, answer);
                      });
                  });
}

QJsonValue ApiManager::storedText(const char *key) const {
    const QString name = QLatin1String(key);
    if (!m_defaults.contains(name))
        return QJsonValue(QJsonValue::Null);
    return m_defaults.stringValue(name);
}

void ApiManager::adoptIdentifiers(const QJsonObject &result) {
    m_userId = textOf(result, "userId");
    m_sessionId = textOf(result, "sessionId");
    const auto write = [this](const char *key, const std::optional<QString> &value) {
        if (value)
            m_defaults.setValue(QLatin1String(key), *value);
        else
            m_defaults.remove(QLatin1String(key));
    };
    write(keys::userId, m_userId);
    write(keys::sessionId, m_sessionId);
}

void ApiManager::logAnswer(const QString &endpoint, const Answer &answer) const {
    // A session id in the log would let anyone who reads it act as the user: it is masked.
    QJsonObject shown = answer.value_or(QJsonObject());
    QJsonObject result = shown.value(QLatin1String("result")).toObject();
    if (result.contains(QLatin1String("sessionId"))) {
        result.insert(QLatin1String("sessionId"), QStringLiteral("(hidden)"));
        shown.insert(QLatin1String("result"), result);
    }
    const QString text = answer ? QString::fromUtf8(QJsonDocument(shown).toJson(QJsonDocument::Compact))
                                : QStringLiteral("no answer");
    platform::log(QStringLiteral("%1: %2").arg(endpoint, text));
}

// ---- operations ----

void ApiManager::signUp(const QString &email, const QString &password) {
    send(endpoints::signUp, {{"email", email}, {"password", password}},
         [this](const Answer &answer) { signUpRule(answer); });
}

void ApiManager::signIn(const QString &email, const QString &password) {
    send(endpoints::signIn, {{"email", email}, {"password", password}},
         [this](const Answer &answer) { signInRule(answer); });
}

void ApiManager::validateSession() {
    send(endpoints::validateSession,
         {{"userId", storedText(keys::userId)}, {"sessionId", storedText(keys::sessionId)}},
         [this](const Answer &answer) { sessionCheckRule(answer); });
}

void ApiManager::signOut() {
    send(endpoints::signOut,
         {{"userId", storedText(keys::userId)}, {"sessionId", storedText(keys::sessionId)}},
         [this](const Answer &answer) { signOutRule(answer); });
}

void ApiManager::logInWithGoogle(const QString &email, const QString &idToken) {
    send(endpoints::logInWithGoogle, {{"email", email}, {"idToken", idToken}},
         [this](const Answer &answer) { externalAccountRule(answer, false); });
}

void ApiManager::logInWithApple(const QString &identityToken, const QString &userIdentifier) {
    send(endpoints::logInWithApple, {{"identityToken", identityToken}, {"userIdentifier", userIdentifier}},
         [this](const Answer &answer) { externalAccountRule(answer, true); });
}

void ApiManager::forgotPassword(const QString &email) {
    send(endpoints::forgotPassword, {{"email", email}},
         [this](const Answer &answer) { forgotPasswordRule(answer); });
}

void ApiManager::resetPassword(const QString &email, const QString &newPassword, const ResetProof &proof) {
    const QString proofKey = proof.kind == ResetProof::Kind::Session ? QStringLiteral("sessionId")
                                                                     : QStringLiteral("temporaryPassword");
    send(endpoints::resetPassword, {{"email", email}, {"newPassword", newPassword}, {proofKey, proof.value}},
         [this](const Answer &answer) { resetRule(answer); });
}

void ApiManager::getUserDetails(bool fromQR, const QString &userId) {
    send(endpoints::userDetails, {{"userId", userId}},
         [this, fromQR](const Answer &answer) { userDetailsRule(answer, fromQR); });
}

void ApiManager::crossPlatformLogin() {
    send(endpoints::crossPlatformLogin,
         {{"userId", storedText(keys::userId)}, {"sessionId", storedText(keys::sessionId)}},
         [this](const Answer &answer) { qrRule(answer); });
}

void ApiManager::deleteAccount() {
    send(endpoints::deleteAccount,
         {{"userId", storedText(keys::userId)},
          {"sessionId", storedText(keys::sessionId)},
          {"email", storedText(keys::email)}},
         [this](const Answer &answer) { deletionRule(answer); });
}

void ApiManager::changePassword(const QString &newPassword, const QString &oldPassword) {
    send(endpoints::changePassword,
         {{"newPassword", newPassword}, {"email", storedText(keys::email)}, {"oldPassword", oldPassword}},
         [this](const Answer &answer) { changePasswordRule(answer); });
}

// ---- answer rules ----

void ApiManager::signUpRule(const Answer &answer) {
    const auto outcome = messageOrError(answer);
    UserSavedDelegate *delegate = m_delegate.get();
    if (!answer && delegate) {
        // Without a word the form would spin forever.
        m_isErrorOnSignUp = true;
        delegate->userSaved(QString::fromLatin1(texts::signUpUnreachable), QString::fromLatin1(texts::error), true);
        return;
    }
    if (!outcome || !delegate)
        return;
    m_isErrorOnSignUp = !outcome->hasMessage;
    delegate->userSaved(outcome->text, titleFor(outcome->hasMessage), !outcome->hasMessage);
}

void ApiManager::forgotPasswordRule(const Answer &answer) {
    const auto outcome = messageOrError(answer);
    ForgotPasswordDelegate *delegate = m_forgotPasswordDelegate.get();
    if (!answer && delegate) {
        m_isErrorOnForgotPassword = true;
        delegate->forgotPasswordResult(QString::fromLatin1(texts::forgotPasswordUnreachable),
                                       QString::fromLatin1(texts::error), true);
        return;
    }
    if (!outcome || !delegate)
        return;
    m_isErrorOnForgotPassword = !outcome->hasMessage;
    delegate->forgotPasswordResult(outcome->text, titleFor(outcome->hasMessage), !outcome->hasMessage);
}

void ApiManager::signInRule(const Answer &answer) {
    UserSigInDelegate *delegate = m_signInDelegate.get();
    if (!answer) {
        if (delegate)
            delegate->userSignedIn(QString::fromLatin1(texts::signInUnreachable), QString::fromLatin1(texts::error),
                                   false, true);
        return;
    }
    if (answer) {
        if (const auto error = textOf(*answer, "error")) {
            if (delegate)
                delegate->userSignedIn(*error, QString::fromLatin1(texts::error), false, true);
            return;
        }
    }
    const auto result = resultOf(answer);
    if (!delegate || !result)
        return;
    adoptIdentifiers(*result);
    // A result without the Boolean flag counts as a sign-in with the account's own password.
    const bool resetRequested = result->value(QStringLiteral("isForgotPasswordRequested")).toBool(false);
    delegate->userSignedIn(QString::fromLatin1(texts::signedIn), QString::fromLatin1(texts::success),
                           resetRequested, false);
}

void ApiManager::externalAccountRule(const Answer &answer, bool isApple) {
    const auto result = resultOf(answer);
    if (!result) {
        // The hub counted the account as signed in when it made the call; without the server's
        // identifiers it is not.
        m_isSessionValid = false;
        const QString why = !answer ? QString::fromLatin1(texts::signInUnreachable)
                                    : textOf(*answer, "error").value_or(QString::fromLatin1(texts::externalSignInRefused));
        if (LogInWithGoogleDelegate *delegate = m_logInWithGoogleDelegate.get())
            delegate->externalSignInFailed(why);
        return;
    }
    adoptIdentifiers(*result);
    if (isApple) {
        m_defaults.setValue(QLatin1String(keys::email), result->value(QStringLiteral("email")).toString());
        m_center.post(QLatin1String(notifications::signIn));
    }
    m_defaults.setValue(QLatin1String(keys::thirdPartySignIn), true);
    if (LogInWithGoogleDelegate *delegate = m_logInWithGoogleDelegate.get())
        delegate->externalSignInDone();
}

void ApiManager::resetRule(const Answer &answer) {
    ResetPasswordDelegate *delegate = m_resetPasswordDelegate.get();
    if (!delegate)
        return;
    const auto outcome = messageOrError(answer);
    if (!outcome) {
        delegate->resetPasswordResult(QString::fromLatin1(texts::resetHint),
                                      QString::fromLatin1(texts::error), true);
        return;
    }
    delegate->resetPasswordResult(outcome->text, titleFor(outcome->hasMessage), false);
}

void ApiManager::changePasswordRule(const Answer &answer) {
    ChangePasswordDelegate *delegate = m_changePasswordDelegate.get();
    if (!delegate)
        return;
    // No answer means the request may never have reached the server: the old password still holds.
    if (!answer) {
        delegate->passwordChanged(true, QString::fromLatin1(texts::passwordNotChanged),
                                  QString::fromLatin1(texts::error));
        return;
    }
    if (const auto error = textOf(*answer, "error")) {
        delegate->passwordChanged(true, *error, QString::fromLatin1(texts::error));
        return;
    }
    delegate->passwordChanged(false, QString::fromLatin1(texts::passwordUpdated),
                              QString::fromLatin1(texts::passwordUpdatedTitle));
}

void ApiManager::sessionCheckRule(const Answer &answer) {
    if (!m_isWifi)
        return;
    const bool expired = !answer || answer->contains(QStringLiteral("message"));
    m_isSessionValid = !expired;
    platform::log(QString::fromLatin1(expired ? texts::sessionExpired : texts::sessionValid));
}

void ApiManager::signOutRule(const Answer &) {
    platform::log(QString::fromLatin1(texts::signedOut));
    if (SignOutBtnDelegate *delegate = m_signOutBtnDelegate.get())
        delegate->signOutDone();
    m_center.post(QLatin1String(notifications::signOut));
}

void ApiManager::deletionRule(const Answer &answer) {
    DeleteAccountDelegate *delegate = m_deleteAccountDelegate.get();
    if (!delegate)
        return;
    // The screen signs out locally whatever the outcome, but says so when the account still exists.
    if (!answer) {
        delegate->accountDeleted(true, QString::fromLatin1(texts::accountNotDeleted),
                                 QString::fromLatin1(texts::error));
        return;
    }
    if (const auto error = textOf(*answer, "error")) {
        delegate->accountDeleted(true, *error, QString::fromLatin1(texts::error));
        return;
    }
    delegate->accountDeleted(false,
                             textOf(*answer, "message").value_or(QString::fromLatin1(texts::accountDeleted)),
                             QString::fromLatin1(texts::success));
}

void ApiManager::qrRule(const Answer &answer) {
    CrossPlatFormDelegate *delegate = m_crossPlatFormDelegate.get();
    const auto result = resultOf(answer);
    if (!result) {
        // The reader has already stored the scanned identifiers and waits behind its spinner; it
        // must hear that the server never confirmed them.
        if (!delegate)
            return;
        const QString why =
            answer ? textOf(*answer, "error").value_or(QString::fromLatin1(texts::qrSignInRefused))
                   : QString::fromLatin1(texts::qrSignInUnreachable);
        delegate->crossPlatformSignInFailed(why);
        return;
    }
    adoptIdentifiers(*result);
    if (delegate)
        delegate->crossPlatformSignInDone();
}

void ApiManager::userDetailsRule(const Answer &, bool fromQR) {
    if (fromQR)
        showScannedUserAlert();
    if (UserDetailDelegate *delegate = m_userDetailDelegate.get())
        delegate->userDetailsLoaded();
}

void ApiManager::showScannedUserAlert() {
    if (!m_topScreen) {
        platform::log(
            QStringLiteral("No screen to show \"%1\" on").arg(QLatin1String(texts::congratulations)));
        return;
    }
    TopScreen *screen = m_topScreen;
    ui::AlertSpec alert;
    alert.title = QString::fromLatin1(texts::congratulations);
    alert.message = QString::fromLatin1(texts::scannedUserSignedIn);
    // The reader and the screen that presented it both close once the greeting is read.
    alert.addAction(QString::fromLatin1(texts::ok), ui::AlertSpec::Style::Default,
                    [screen](const QStringList &) {
                        if (!screen->isQrReaderOnTop())
                            return;
                        screen->dismissTop(true, [screen] { screen->dismissTop(true, {}); });
                    });
    screen->presentAlert(alert);
}

} // namespace account
