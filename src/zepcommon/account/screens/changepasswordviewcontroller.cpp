#include "zepcommon/account/screens/changepasswordviewcontroller.h"

#include "zepcommon/account/apimanager.h"

namespace account {

ChangePasswordViewController::ChangePasswordViewController(const AccountEnvironment &environment,
                                                           QObject *parent)
    : AccountForm(environment, tr("Confirm"), parent) {
    setTitle(tr("Change Password"));
}

void ChangePasswordViewController::viewDidLoad() {
    environment().api.setChangePasswordDelegate(this);
    m_oldPasswordVisible = !m_fromSignIn;
    if (m_fromSignIn)
        m_oldPassword = m_userOldPassword;
    emit changed();
}

void ChangePasswordViewController::backBtnTapped() {
    dismiss();
}

void ChangePasswordViewController::closeBtnTapped() {
    dismiss();
    closeFlow();
}

void ChangePasswordViewController::oldPasswordHideBtnTapped() {
    m_isOldPasswordHide = !m_isOldPasswordHide;
    emit changed();
}

void ChangePasswordViewController::newPasswordHideBtnTapped() {
    m_isNewPasswordHide = !m_isNewPasswordHide;
    emit changed();
}

void ChangePasswordViewController::confirmPasswordHideBtnTapped() {
    m_isConfirmPasswordHide = !m_isConfirmPasswordHide;
    emit changed();
}

void ChangePasswordViewController::confirmBtnTapped() {
    if (!m_oldPassword.isEmpty() && !m_newPassword.isEmpty() && !m_confirmPassword.isEmpty() &&
        isLongEnoughPassword(m_newPassword)) {
        if (m_newPassword == m_confirmPassword) {
            startSpinner();
            environment().api.changePassword(m_newPassword, m_oldPassword);
        } else {
            alert(tr("Error"), tr("The new passwords did not match."));
        }
    } else if (isLongEnoughPassword(m_newPassword)) {
        alert(tr("Error"), tr("Fill all required fields"));
    } else {
        alert(tr("Error"), tr("Password Should be 8-48 Characters long"));
    }
}

void ChangePasswordViewController::passwordChanged(bool isError, const QString &message,
                                                   const QString &title) {
    m_isError = isError;
    // Presented by the sign-in form the screen is its own sheet, pushed it is popped: dismiss does
    // either.
    alert(title, message, [this] {
        if (!m_isError)
            dismiss();
    });
    stopSpinner();
}

} // namespace account
