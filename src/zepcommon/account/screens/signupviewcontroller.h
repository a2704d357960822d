#pragma once

#include "zepcommon/account/accountdelegates.h"
#include "zepcommon/account/screens/accountform.h"

namespace account {

// The sign-up form: e-mail, password and its confirmation. Sign Up checks them (all filled, a
// valid address, 8 characters, equal) and creates the account; the OK of an alert pops the form
// once the last sign-up succeeded. Sign In goes back to a sign-in form below on the stack, or
// pushes a new one.
class SignUpViewController : public AccountForm, public UserSavedDelegate {
    Q_OBJECT
public:
    explicit SignUpViewController(const AccountEnvironment &environment, QObject *parent = nullptr);

    QString email() const { return m_email; }
    QString password() const { return m_password; }
    QString confirmPassword() const { return m_confirmPassword; }
    void setEmail(const QString &email) { m_email = email; }
    void setPassword(const QString &password) { m_password = password; }
    void setConfirmPassword(const QString &password) { m_confirmPassword = password; }

    // False while the text is masked.
    bool isPasswordHide() const { return m_isPasswordHide; }
    bool isConfirmPasswordHide() const { return m_isConfirmPasswordHide; }
    QString passwordEyeImage() const { return eyeImageName(m_isPasswordHide); }
    QString confirmPasswordEyeImage() const { return eyeImageName(m_isConfirmPasswordHide); }
    bool isErrorOnSignUp() const { return m_isErrorOnSignUp; }

    void viewDidLoad() override;

    // Actions.
    void backBtnTapped();
    void signInBtnTapped();
    void passwordHideBtnTapped();
    void confirmPasswordHideBtnTapped();
    void signUpBtnTapped();

    void userSaved(const QString &message, const QString &title, bool isError) override;

private:
    // Every alert of this screen: its OK pops the form after a successful sign-up.
    void signUpAlert(const QString &title, const QString &message);

    QString m_email;
    QString m_password;
    QString m_confirmPassword;
    bool m_isPasswordHide = false;
    bool m_isConfirmPasswordHide = false;
    bool m_isErrorOnSignUp = true;
};

} // namespace account
