#pragma once

#include "zepcommon/account/accountdelegates.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/screens/accountform.h"

#include <optional>

namespace account {

// The new-password form: sets a new password for userEmail by a password reset. The reset needs a
// proof of the account: by default the temporary password mailed by forgot-password, typed into
// the temporary-password field; a presenter that holds the account's session hands it in with
// setProof, and the field is not shown. Confirm checks the fields (all filled, 8 characters,
// equal) and resets; the OK of a successful answer closes the form. Close dismisses it.
class ConfirmPasswordViewController : public AccountForm, public ResetPasswordDelegate {
    Q_OBJECT
public:
    explicit ConfirmPasswordViewController(const AccountEnvironment &environment, QObject *parent = nullptr);

    QString userEmail() const { return m_userEmail; }
    void setUserEmail(const QString &email) { m_userEmail = email; }
    void setProof(const ResetProof &proof) { m_proof = proof; }
    // Whether the temporary-password field shows (no proof was handed in).
    bool isTemporaryPasswordVisible() const { return !m_proof.has_value(); }

    QString temporaryPassword() const { return m_temporaryPassword; }
    QString newPassword() const { return m_newPassword; }
    QString confirmPassword() const { return m_confirmPassword; }
    void setTemporaryPassword(const QString &password) { m_temporaryPassword = password; }
    void setNewPassword(const QString &password) { m_newPassword = password; }
    void setConfirmPassword(const QString &password) { m_confirmPassword = password; }

    // False while the text is masked.
    bool isTemporaryPasswordHide() const { return m_isTemporaryPasswordHide; }
    QString temporaryPasswordEyeImage() const { return eyeImageName(m_isTemporaryPasswordHide); }
    bool isPasswordHide() const { return m_isPasswordHide; }
    bool isConfirmPasswordHide() const { return m_isConfirmPasswordHide; }
    QString passwordEyeImage() const { return eyeImageName(m_isPasswordHide); }
    QString confirmPasswordEyeImage() const { return eyeImageName(m_isConfirmPasswordHide); }
    bool isError() const { return m_isError; }

    void viewDidLoad() override;

    // Actions.
    void temporaryPasswordHideBtnTapped();
    void newPasswordHideBtnTapped();
    void confirmPasswordHideBtnTapped();
    void confirmPasswordBtnTapped();
    void closeBtnTapped();

    void resetPasswordResult(const QString &message, const QString &title, bool isError) override;

private:
    QString m_userEmail;
    std::optional<ResetProof> m_proof;
    QString m_temporaryPassword;
    QString m_newPassword;
    QString m_confirmPassword;
    bool m_isTemporaryPasswordHide = false;
    bool m_isPasswordHide = false;
    bool m_isConfirmPasswordHide = false;
    bool m_isError = true;
};

} // namespace account
