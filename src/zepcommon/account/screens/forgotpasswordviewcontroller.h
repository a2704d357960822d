#pragma once

#include "zepcommon/account/accountdelegates.h"
#include "zepcommon/account/screens/accountform.h"

namespace account {

// The forgot-password form: Send asks the server to mail a temporary password to the address (any
// non-empty text; the server checks it). After a successful answer the OK of the alert presents
// the new-password form for that address, where the mailed password proves the account, and
// closes this form. Close dismisses it.
class ForgotPasswordViewController : public AccountForm, public ForgotPasswordDelegate {
    Q_OBJECT
public:
    explicit ForgotPasswordViewController(const AccountEnvironment &environment, QObject *parent = nullptr);

    QString email() const { return m_email; }
    void setEmail(const QString &email) { m_email = email; }
    bool isError() const { return m_isError; }

    void viewDidLoad() override;

    // Actions.
    void sendBtnTapped();
    void closeBtnTapped();

    void forgotPasswordResult(const QString &message, const QString &title, bool isError) override;

private:
    QString m_email;
    QString m_sentTo;
    bool m_isError = true;
};

} // namespace account
