#pragma once

#include "zepcommon/account/accountdelegates.h"
#include "zepcommon/account/screens/accountform.h"

namespace account {

// The e-mail sign-in form. Sign In checks the fields (a valid address and a password), runs the
// spinner and signs in; the answer becomes an alert, or — for an account signed in with the
// temporary password of forgot-password — the change-password form, presented full screen with the
// old password filled in. A successful sign-in stores the address in lower case under
// "User_Email", marks the session valid, posts "User_SignIn_App", and its alert's OK closes the
// account flow. The password is emptied each time the form appears.
class SignInViewController : public AccountForm, public UserSigInDelegate {
    Q_OBJECT
public:
    explicit SignInViewController(const AccountEnvironment &environment, QObject *parent = nullptr);

    QString email() const { return m_email; }
    QString password() const { return m_password; }
    void setEmail(const QString &email) { m_email = email; }
    void setPassword(const QString &password) { m_password = password; }

    // False while the password is masked (the eye shows "img-passwordHide").
    bool isPasswordHide() const { return m_isPasswordHide; }
    QString passwordEyeImage() const { return eyeImageName(m_isPasswordHide); }
    bool isError() const { return m_isError; }
    bool isPasswordRequested() const { return m_isPasswordRequested; }

    void viewDidLoad() override;
    void viewWillAppear() override;

    // Actions.
    void backBtnTapped();
    void signUpBtnTapped();
    void passwordHideBtnTapped();
    void sigInBtnTapped();
    void forgotPasswordBtnTapped();

    void userSignedIn(const QString &message, const QString &title, bool isPasswordResetRequested,
                      bool isError) override;

private:
    QString m_email;
    QString m_password;
    bool m_isPasswordHide = false;
    bool m_isError = true;
    bool m_isPasswordRequested = false;
};

} // namespace account
