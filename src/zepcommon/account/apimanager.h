#pragma once

#include "accountdelegates.h"
#include "weakdelegate.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <optional>

namespace tarnwick {
class ApiClient;
}
namespace platform {
class Defaults;
class NotificationCenter;
} // namespace platform

namespace account {

class TopScreen;

// The proof of the account that a password reset sends along: the temporary password that was
// mailed, or the session of the signed-in account.
struct ResetProof {
    enum class Kind { TemporaryPassword, Session };
    Kind kind = Kind::TemporaryPassword;
    QString value;
};

// The account service: each operation is one ApiClient::post whose answer is parsed by the
// operation's rule, which keeps the signed-in user's identifiers in the fields and in the user
// defaults ("Sign_In_User_UserID", "Sign_In_User_SessionID", "User_Email", "Third_Party_Sign_In")
// and reports to the weakly held delegate of the operation.
//
// Threads: call from the main thread. Answers arrive on the client's worker thread; the rules run
// after a hop to the main thread, so the fields, the user defaults, the notifications and every
// delegate call happen there. An answer that arrives after the manager is destroyed is dropped.
// Operations read the identifiers from the user defaults when they are called (a missing value is
// sent as JSON null), not from the fields. Nothing is retried; a transport failure is an absent
// answer, which each rule handles in its own way.
class ApiManager : public QObject {
public:
    // The collaborators are not owned and must outlive the manager.
    ApiManager(tarnwick::ApiClient &client, platform::Defaults &defaults,
               platform::NotificationCenter &center, QObject *parent = nullptr);
    ~ApiManager() override;

    // The app's one instance over the shared client, the standard defaults and the default
    // centre, created on first use and never released. The app hands it to the screens.
    static ApiManager &shared();

    void signUp(const QString &email, const QString &password);
    void signIn(const QString &email, const QString &password);
    void validateSession();
    void signOut();
    // idToken: the ID token of Google's sign-in, which the server verifies.
    void logInWithGoogle(const QString &email, const QString &idToken);
    void logInWithApple(const QString &identityToken, const QString &userIdentifier);
    void forgotPassword(const QString &email);
    void resetPassword(const QString &email, const QString &newPassword, const ResetProof &proof);
    void getUserDetails(bool fromQR, const QString &userId);
    void crossPlatformLogin();
    void deleteAccount();
    void changePassword(const QString &newPassword, const QString &oldPassword);

    std::optional<QString> userId() const { return m_userId; }
    std::optional<QString> sessionId() const { return m_sessionId; }
    // Set by the rules and by the screens.
    std::optional<bool> isSessionValid() const { return m_isSessionValid; }
    void setIsSessionValid(std::optional<bool> valid) { m_isSessionValid = valid; }
    std::optional<bool> isErrorOnSignUp() const { return m_isErrorOnSignUp; }
    std::optional<bool> isErrorOnForgotPassword() const { return m_isErrorOnForgotPassword; }
    // The host clears it while the network is unreachable; the session check then only logs.
    bool isWifi() const { return m_isWifi; }
    void setIsWifi(bool wifi) { m_isWifi = wifi; }

    void setDelegate(UserSavedDelegate *delegate) { m_delegate.set(delegate); }
    void setSignInDelegate(UserSigInDelegate *delegate) { m_signInDelegate.set(delegate); }
    void setForgotPasswordDelegate(ForgotPasswordDelegate *delegate) {
        m_forgotPasswordDelegate.set(delegate);
    }
    void setResetPasswordDelegate(ResetPasswordDelegate *delegate) { m_resetPasswordDelegate.set(delegate); }
    void setLogInWithGoogleDelegate(LogInWithGoogleDelegate *delegate) {
        m_logInWithGoogleDelegate.set(delegate);
    }
    void setUserDetailDelegate(UserDetailDelegate *delegate) { m_userDetailDelegate.set(delegate); }
    void setSignOutBtnDelegate(SignOutBtnDelegate *delegate) { m_signOutBtnDelegate.set(delegate); }
    void setCrossPlatFormDelegate(CrossPlatFormDelegate *delegate) { m_crossPlatFormDelegate.set(delegate); }
    void setDeleteAccountDelegate(DeleteAccountDelegate *delegate) { m_deleteAccountDelegate.set(delegate); }
    void setChangePasswordDelegate(ChangePasswordDelegate *delegate) {
        m_changePasswordDelegate.set(delegate);
    }

    // Where the user-details alert is shown; not owned. Without one the alert is skipped.
    void setTopScreen(TopScreen *screen) { m_topScreen = screen; }

private:
    using Answer = std::optional<QJsonObject>;

    void send(const QString &endpoint, const std::vector<std::pair<QString, QJsonValue>> &parameters,
              std::function<void(const Answer &)> rule);
    QJsonValue storedText(const char *key) const;
    void adoptIdentifiers(const QJsonObject &result);
    void logAnswer(const QString &endpoint, const Answer &answer) const;

    void signUpRule(const Answer &answer);
    void signInRule(const Answer &answer);
    void sessionCheckRule(const Answer &answer);
    void signOutRule(const Answer &answer);
    void externalAccountRule(const Answer &answer, bool isApple);
    void forgotPasswordRule(const Answer &answer);
    void resetRule(const Answer &answer);
    void userDetailsRule(const Answer &answer, bool fromQR);
    void qrRule(const Answer &answer);
    void deletionRule(const Answer &answer);
    void changePasswordRule(const Answer &answer);
    void showScannedUserAlert();

    tarnwick::ApiClient &m_client;
    platform::Defaults &m_defaults;
    platform::NotificationCenter &m_center;
    TopScreen *m_topScreen = nullptr;

    std::optional<QString> m_userId;
    std::optional<QString> m_sessionId;
    std::optional<bool> m_isSessionValid;
    std::optional<bool> m_isErrorOnSignUp;
    std::optional<bool> m_isErrorOnForgotPassword;
    bool m_isWifi = true;

    WeakDelegate<UserSavedDelegate> m_delegate;
    WeakDelegate<UserSigInDelegate> m_signInDelegate;
    WeakDelegate<ForgotPasswordDelegate> m_forgotPasswordDelegate;
    WeakDelegate<ResetPasswordDelegate> m_resetPasswordDelegate;
    WeakDelegate<LogInWithGoogleDelegate> m_logInWithGoogleDelegate;
    WeakDelegate<UserDetailDelegate> m_userDetailDelegate;
    WeakDelegate<SignOutBtnDelegate> m_signOutBtnDelegate;
    WeakDelegate<CrossPlatFormDelegate> m_crossPlatFormDelegate;
    WeakDelegate<DeleteAccountDelegate> m_deleteAccountDelegate;
    WeakDelegate<ChangePasswordDelegate> m_changePasswordDelegate;
};

} // namespace account
