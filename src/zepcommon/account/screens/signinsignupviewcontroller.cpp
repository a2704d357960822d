#include "zepcommon/account/screens/signinsignupviewcontroller.h"

#include "platform/defaults.h"
#include "platform/log.h"
#include "platform/notificationcenter.h"
#include "zepcommon/account/accountkeys.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/screens/signinviewcontroller.h"
#include "zepcommon/account/screens/signupviewcontroller.h"
#include "zepcommon/theme/zepthememanager.h"

#include <utility>

namespace account {

SignInSignUpViewController::SignInSignUpViewController(const AccountEnvironment &environment,
                                                       ExternalSignIn *google, ExternalSignIn *apple,
                                                       QrReaderFactory makeQrReader, QObject *parent)
    : AccountForm(environment, QString(), parent)
    , m_google(google)
    , m_apple(apple)
    , m_makeQrReader(std::move(makeQrReader)) {
    setTitle(tr("Account"));
    if (google) {
        connect(google, &ExternalSignIn::signedIn, this, [this](const ExternalCredential &credential) {
            if (std::exchange(m_googlePending, false))
                googleSignedIn(credential);
        });
        connect(google, &ExternalSignIn::failed, this, [this](const QString &reason) {
            if (std::exchange(m_googlePending, false))
                platform::log(QStringLiteral("Sign in with Google failed: ") + reason);
        });
    }
    if (apple) {
        connect(apple, &ExternalSignIn::signedIn, this, [this](const ExternalCredential &credential) {
            if (std::exchange(m_applePending, false))
                appleSignedIn(credential);
        });
        connect(apple, &ExternalSignIn::failed, this, [this](const QString &reason) {
            if (!std::exchange(m_applePending, false))
                return;
            platform::log(QStringLiteral("Sign in with Apple failed: ") + reason);
            setBlurVisible(false);
        });
    }
}

SignInSignUpViewController::~SignInSignUpViewController() {
    // A sign-in still running in the browser has nobody left to report to.
    if (m_googlePending && m_google)
        m_google->cancel();
    if (m_applePending && m_apple)
        m_apple->cancel();
}

QString SignInSignUpViewController::hubImageName() const {
    return QStringLiteral("img-signInSignUpBrisko-") + environment().theme.themeSuffix();
}

void SignInSignUpViewController::viewDidLoad() {
    environment().api.setLogInWithGoogleDelegate(this);
    setBlurVisible(false);
}

void SignInSignUpViewController::signInBtnTapped() {
    push(new SignInViewController(environment()));
}

void SignInSignUpViewController::signUpBtnTapped() {
    push(new SignUpViewController(environment()));
}

void SignInSignUpViewController::closeBtnTapped() {
    closeFlow();
}

void SignInSignUpViewController::scanQRBtnTapped() {
    if (!m_makeQrReader)
        return;
    if (ui::ScreenController *reader = m_makeQrReader())
        present(reader, ui::Presentation::fullScreen());
}

bool SignInSignUpViewController::isReady(ExternalSignIn *provider, const QString &name) {
    if (provider && provider->isConfigured())
        return true;
    alert(tr("Sign in with %1").arg(name), tr("Sign in with %1 is not set up in this build.").arg(name));
    return false;
}

void SignInSignUpViewController::logInWithGoogleBtnTapped() {
    if (!isReady(m_google, QStringLiteral("Google")))
        return;
    m_googlePending = true;
    m_google->start();
}

void SignInSignUpViewController::appleSignInBtnTapped() {
    handleAppleIdRequest();
}

void SignInSignUpViewController::handleAppleIdRequest() {
    if (!isReady(m_apple, QStringLiteral("Apple")))
        return;
    m_applePending = true;
    m_apple->start();
}

void SignInSignUpViewController::googleSignedIn(const ExternalCredential &credential) {
    const AccountEnvironment &env = environment();
    if (credential.email.isEmpty()) {
        env.api.setIsSessionValid(false);
        platform::log(QStringLiteral("User profile email is nil"));
        return;
    }
    platform::log(QStringLiteral("Google sign-in: ") + credential.email);
    env.defaults.setValue(keys::email, credential.email);
    env.center.post(QString::fromLatin1(notifications::signIn));
    closeFlow();
    env.api.setIsSessionValid(true);
    env.api.logInWithGoogle(credential.email, credential.idToken);
}

void SignInSignUpViewController::appleSignedIn(const ExternalCredential &credential) {
    const AccountEnvironment &env = environment();
    if (credential.idToken.isEmpty()) {
        platform::log(QStringLiteral("Data object is nil."));
    } else {
        setBlurVisible(true);
        env.api.logInWithApple(credential.idToken, credential.user);
    }
    env.api.setIsSessionValid(true);
}

void SignInSignUpViewController::externalSignInDone() {
    setBlurVisible(false);
    closeFlow();
}

void SignInSignUpViewController::externalSignInFailed(const QString &message) {
    setBlurVisible(false);
    alert(QString::fromLatin1(texts::error), message);
}

void SignInSignUpViewController::setBlurVisible(bool visible) {
    m_blurVisible = visible;
    emit changed();
}

} // namespace account
