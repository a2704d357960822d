#include "zepcommon/account/screens/signupviewcontroller.h"

#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/screens/signinviewcontroller.h"

namespace account {

SignUpViewController::SignUpViewController(const AccountEnvironment &environment, QObject *parent)
    : AccountForm(environment, tr("Sign Up"), parent) {
    setTitle(tr("Sign Up"));
}

void SignUpViewController::viewDidLoad() {
    environment().api.setDelegate(this);
}

void SignUpViewController::backBtnTapped() {
    dismiss();
}

void SignUpViewController::signInBtnTapped() {
    if (ui::NavigationController *navigation = navigationController()) {
        for (int index = navigation->depth() - 1; index >= 0; --index) {
            if (!qobject_cast<SignInViewController *>(navigation->screenAt(index)))
                continue;
            while (navigation->depth() > index + 1)
                navigation->popScreen();
            return;
        }
    }
    push(new SignInViewController(environment()));
}

void SignUpViewController::passwordHideBtnTapped() {
    m_isPasswordHide = !m_isPasswordHide;
    emit changed();
}

void SignUpViewController::confirmPasswordHideBtnTapped() {
    m_isConfirmPasswordHide = !m_isConfirmPasswordHide;
    emit changed();
}

void SignUpViewController::signUpBtnTapped() {
    if (!m_password.isEmpty() && !m_email.isEmpty() && !m_confirmPassword.isEmpty() &&
        isValidEmail(m_email) && isLongEnoughPassword(m_password)) {
        if (m_password == m_confirmPassword) {
            startSpinner();
            environment().api.signUp(m_email, m_password);
        } else {
            signUpAlert(tr("Error"), tr("The passwords did not match."));
        }
    } else if (!isValidEmail(m_email)) {
        signUpAlert(tr("Invalid Email"), tr("Please enter a valid email address."));
    } else if (!isLongEnoughPassword(m_password)) {
        signUpAlert(tr("Error"), tr("Password Should be 8-48 Characters long"));
    } else {
        signUpAlert(tr("Error"), tr("Fill all required fields"));
    }
}

void SignUpViewController::userSaved(const QString &message, const QString &title, bool isError) {
    m_isErrorOnSignUp = isError;
    signUpAlert(title, message);
    stopSpinner();
}

void SignUpViewController::signUpAlert(const QString &title, const QString &message) {
    alert(title, message, [this] {
        if (!m_isErrorOnSignUp)
            dismiss();
    });
}

} // namespace account
