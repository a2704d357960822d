#pragma once

#include "zepcommon/account/accountdelegates.h"
#include "zepcommon/account/screens/accountform.h"

namespace account {

// The change-password form: old, new and confirmed new password. Pushed from the account screen,
// it shows every field and a back button; presented by the sign-in form after a sign-in with the
// temporary password (fromSignIn), the old-password row and the back button are hidden and the
// old password is the one typed there. Confirm checks the fields and changes the password of
// "User_Email"; the OK of a successful answer closes the form. Close closes the whole account flow.
class ChangePasswordViewController : public AccountForm, public ChangePasswordDelegate {
    Q_OBJECT
public:
    explicit ChangePasswordViewController(const AccountEnvironment &environment, QObject *parent = nullptr);

    // Set before the screen loads.
    QString userEmail() const { return m_userEmail; }
    void setUserEmail(const QString &email) { m_userEmail = email; }
    QString userOldPassword() const { return m_userOldPassword; }
    void setUserOldPassword(const QString &password) { m_userOldPassword = password; }
    bool fromSignIn() const { return m_fromSignIn; }
    void setFromSignIn(bool fromSignIn) { m_fromSignIn = fromSignIn; }

    QString oldPassword() const { return m_oldPassword; }
    QString newPassword() const { return m_newPassword; }
    QString confirmPassword() const { return m_confirmPassword; }
    void setOldPassword(const QString &password) { m_oldPassword = password; }
    void setNewPassword(const QString &password) { m_newPassword = password; }
    void setConfirmPassword(const QString &password) { m_confirmPassword = password; }

    // Valid after viewDidLoad: the back button and the old-password row show unless fromSignIn.
    bool isBackVisible() const { return m_oldPasswordVisible; }
    bool isOldPasswordVisible() const { return m_oldPasswordVisible; }

    // False while the text is masked.
    bool isOldPasswordHide() const { return m_isOldPasswordHide; }
    bool isNewPasswordHide() const { return m_isNewPasswordHide; }
    bool isConfirmPasswordHide() const { return m_isConfirmPasswordHide; }
    QString oldPasswordEyeImage() const { return eyeImageName(m_isOldPasswordHide); }
    QString newPasswordEyeImage() const { return eyeImageName(m_isNewPasswordHide); }
    QString confirmPasswordEyeImage() const { return eyeImageName(m_isConfirmPasswordHide); }
    bool isError() const { return m_isError; }

    void viewDidLoad() override;

    // Actions.
    void backBtnTapped();
    void closeBtnTapped();
    void confirmBtnTapped();
    void oldPasswordHideBtnTapped();
    void newPasswordHideBtnTapped();
    void confirmPasswordHideBtnTapped();

    void passwordChanged(bool isError, const QString &message, const QString &title) override;

private:
    QString m_userEmail;
    QString m_userOldPassword;
    bool m_fromSignIn = false;
    QString m_oldPassword;
    QString m_newPassword;
    QString m_confirmPassword;
    bool m_oldPasswordVisible = true;
    bool m_isOldPasswordHide = false;
    bool m_isNewPasswordHide = false;
    bool m_isConfirmPasswordHide = false;
    bool m_isError = true;
};

} // namespace account
