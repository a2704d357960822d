#include "zepcommon/account/screens/confirmpasswordviewcontroller.h"

namespace account {

ConfirmPasswordViewController::ConfirmPasswordViewController(const AccountEnvironment &environment,
                                                             QObject *parent)
    : AccountForm(environment, tr("Confirm"), parent) {
    setTitle(tr("New Password"));
}

void ConfirmPasswordViewController::viewDidLoad() {
    environment().api.setResetPasswordDelegate(this);
}

void ConfirmPasswordViewController::temporaryPasswordHideBtnTapped() {
    m_isTemporaryPasswordHide = !m_isTemporaryPasswordHide;
    emit changed();
}

void ConfirmPasswordViewController::newPasswordHideBtnTapped() {
    m_isPasswordHide = !m_isPasswordHide;
    emit changed();
}

void ConfirmPasswordViewController::confirmPasswordHideBtnTapped() {
    m_isConfirmPasswordHide = !m_isConfirmPasswordHide;
    emit changed();
}

void ConfirmPasswordViewController::confirmPasswordBtnTapped() {
    const ResetProof proof =
        m_proof.value_or(ResetProof{ResetProof::Kind::TemporaryPassword, m_temporaryPassword});
    if (!proof.value.isEmpty() && !m_newPassword.isEmpty() && !m_confirmPassword.isEmpty() &&
        isLongEnoughPassword(m_newPassword)) {
        if (m_newPassword == m_confirmPassword) {
            startSpinner();
            environment().api.resetPassword(m_userEmail, m_newPassword, proof);
        } else {
            alert(tr("Error"), tr("Password and Confirm Password are not same"));
        }
    } else if (isLongEnoughPassword(m_newPassword)) {
        alert(tr("Error"), tr("Fill all required fields"));
    } else {
        alert(tr("Error"), tr("Password Should be 8-48 Characters long"));
    }
}

void ConfirmPasswordViewController::closeBtnTapped() {
    dismiss();
}

void ConfirmPasswordViewController::resetPasswordResult(const QString &message, const QString &title,
                                                        bool isError) {
    m_isError = isError;
    alert(title, message, [this] {
        if (!m_isError)
            dismiss();
    });
    stopSpinner();
}

} // namespace account
