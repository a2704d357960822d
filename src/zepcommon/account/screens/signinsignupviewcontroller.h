#pragma once

#include "zepcommon/account/accountdelegates.h"
#include "zepcommon/account/externalsignin.h"
#include "zepcommon/account/screens/accountform.h"

#include <QPointer>
#include <functional>

namespace account {

// The sign-in hub, the root of the account flow's navigation stack: e-mail sign-in and sign-up
// (pushed), Sign in with Apple and with Google (the providers' sign-in in the system browser),
// scanning a QR code (the reader is presented full screen) and Close, which closes the flow.
//
// The two providers are not owned and may be null; one that is missing or not configured answers
// its button with an alert saying so. A Google credential with an address stores it under
// "User_Email", posts "User_SignIn_App", closes the flow and signs in with the ID token; an Apple
// credential with an identity token raises the blur with its spinner until the account service
// reports the sign-in, which closes the flow. Provider failures are only logged (and the blur
// goes). Without a QR reader factory the Scan QR option is hidden.
class SignInSignUpViewController : public AccountForm, public LogInWithGoogleDelegate {
    Q_OBJECT
public:
    using QrReaderFactory = std::function<ui::ScreenController *()>;

    SignInSignUpViewController(const AccountEnvironment &environment, ExternalSignIn *google,
                               ExternalSignIn *apple, QrReaderFactory makeQrReader,
                               QObject *parent = nullptr);
    ~SignInSignUpViewController() override;

    // "img-signInSignUpBrisko-" followed by the theme suffix.
    QString hubImageName() const;
    bool isBlurViewVisible() const { return m_blurVisible; }
    bool isScanQrAvailable() const { return bool(m_makeQrReader); }

    void viewDidLoad() override;

    // Actions.
    void appleSignInBtnTapped();
    void signInBtnTapped();
    void closeBtnTapped();
    void signUpBtnTapped();
    void scanQRBtnTapped();
    void logInWithGoogleBtnTapped();
    void handleAppleIdRequest();

    void externalSignInDone() override;
    void externalSignInFailed(const QString &message) override;

private:
    bool isReady(ExternalSignIn *provider, const QString &name);
    void googleSignedIn(const ExternalCredential &credential);
    void appleSignedIn(const ExternalCredential &credential);
    void setBlurVisible(bool visible);

    QPointer<ExternalSignIn> m_google;
    QPointer<ExternalSignIn> m_apple;
    QrReaderFactory m_makeQrReader;
    bool m_googlePending = false;
    bool m_applePending = false;
    bool m_blurVisible = false;
};

} // namespace account
