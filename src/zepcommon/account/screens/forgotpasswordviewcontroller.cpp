#include "zepcommon/account/screens/forgotpasswordviewcontroller.h"

#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/screens/confirmpasswordviewcontroller.h"

namespace account {

ForgotPasswordViewController::ForgotPasswordViewController(const AccountEnvironment &environment,
                                                           QObject *parent)
    : AccountForm(environment, tr("Send"), parent) {
    setTitle(tr("Forgot Password"));
}

void ForgotPasswordViewController::viewDidLoad() {
    environment().api.setForgotPasswordDelegate(this);
}

void ForgotPasswordViewController::sendBtnTapped() {
    if (m_email.isEmpty()) {
        alert(tr("Error"), tr("Fill required field"));
        return;
    }
    m_sentTo = m_email;
    startSpinner();
    environment().api.forgotPassword(m_email);
}

void ForgotPasswordViewController::closeBtnTapped() {
    dismiss();
}

void ForgotPasswordViewController::forgotPasswordResult(const QString &message, const QString &title,
                                                        bool isError) {
    m_isError = isError;
    alert(title, message, [this] {
        if (m_isError)
            return;
        // The mail carries a temporary password; the new-password form takes it as the proof of
        // the account, so a new password can be set without signing in first.
        auto *confirm = new ConfirmPasswordViewController(environment());
        confirm->setUserEmail(m_sentTo);
        present(confirm, ui::Presentation::fullScreen());
        dismiss();
    });
    stopSpinner();
}

} // namespace account
