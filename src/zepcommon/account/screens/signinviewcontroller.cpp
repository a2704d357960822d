#include "zepcommon/account/screens/signinviewcontroller.h"

#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "zepcommon/account/accountkeys.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/screens/changepasswordviewcontroller.h"
#include "zepcommon/account/screens/forgotpasswordviewcontroller.h"
#include "zepcommon/account/screens/signupviewcontroller.h"

namespace account {

SignInViewController::SignInViewController(const AccountEnvironment &environment, QObject *parent)
    : AccountForm(environment, tr("Sign In"), parent) {
    setTitle(tr("Sign In"));
}

void SignInViewController::viewDidLoad() {
    environment().api.setSignInDelegate(this);
}

void SignInViewController::viewWillAppear() {
    m_password.clear();
    emit changed();
}

void SignInViewController::backBtnTapped() {
    dismiss();
}

void SignInViewController::signUpBtnTapped() {
    push(new SignUpViewController(environment()));
}

void SignInViewController::passwordHideBtnTapped() {
    m_isPasswordHide = !m_isPasswordHide;
    emit changed();
}

void SignInViewController::forgotPasswordBtnTapped() {
    present(new ForgotPasswordViewController(environment()), ui::Presentation::fullScreen());
}

void SignInViewController::sigInBtnTapped() {
    if (!m_password.isEmpty() && !m_email.isEmpty() && isValidEmail(m_email)) {
        startSpinner();
        environment().api.signIn(m_email, m_password);
    } else if (!isValidEmail(m_email)) {
        alert(tr("Invalid Email"), tr("Please enter a valid email address."));
    } else {
        alert(tr("Error"), tr("Fill all required fields"));
    }
}

void SignInViewController::userSignedIn(const QString &message, const QString &title,
                                        bool isPasswordResetRequested, bool isError) {
    const AccountEnvironment &env = environment();
    m_isError = isError;
    env.defaults.setValue(keys::thirdPartySignIn, false);
    m_isPasswordRequested = isPasswordResetRequested;
    if (isPasswordResetRequested) {
        env.defaults.setValue(keys::email, m_email.toLower());
        auto *change = new ChangePasswordViewController(env);
        change->setUserEmail(m_email);
        change->setUserOldPassword(m_password);
        change->setFromSignIn(true);
        connect(change, &AccountForm::closeFlowRequested, this, &AccountForm::closeFlow);
        present(change, ui::Presentation::fullScreen());
    } else {
        if (isError) {
            env.api.setIsSessionValid(false);
        } else {
            env.defaults.setValue(keys::email, m_email.toLower());
            env.api.setIsSessionValid(true);
            env.center.post(QString::fromLatin1(notifications::signIn));
        }
        alert(title, message, [this, isError] {
            if (isError)
                return;
            closeFlow();
            dismiss();
        });
    }
    stopSpinner();
}

} // namespace account
