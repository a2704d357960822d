#pragma once

#include "zepcommon/account/accountdelegates.h"

#include "ui/screencontroller.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

class ZEPThemeManager;
namespace platform {
class Defaults;
class NotificationCenter;
} // namespace platform
namespace ui {
class ColorResolver;
}

namespace account {

class ApiManager;

// The signed-in user's account screen: the e-mail address, the QR code another device scans to
// sign in as the same account, sign-out, account deletion and, for e-mail accounts, change
// password.
//
// The QR code carries the stored identifiers ("Sign_In_User_UserID", "Sign_In_User_SessionID",
// "User_Email", "Third_Party_Sign_In") as the five-field sign-in payload: level L, 200 × 200,
// black on white, Latin-1. An address outside Latin-1 gives no code (qrImage() is null).
//
// Sign-out and deletion end the session locally at once (the identifiers become the empty text,
// isSessionValid false, "User_Sign_Out" is posted) and close the screen once the server answered.
// A failed deletion is shown with its reason before the screen closes.
//
// makeChangePassword makes the screen pushed by the change-password row; without it the row is
// hidden as it is for Apple and Google accounts. The collaborators are not owned and outlive the
// screen. GUI thread only; ApiManager calls the delegates there.
class CreateQRScreen : public ui::ScreenController, public SignOutBtnDelegate, public DeleteAccountDelegate {
    Q_OBJECT
public:
    static constexpr double qrSide = 200;
    static constexpr double emailRowHeightWithPassword = 90;
    static constexpr double emailRowHeightWithoutPassword = 45;

    CreateQRScreen(ApiManager &api, platform::Defaults &defaults, platform::NotificationCenter &center,
                   ZEPThemeManager &theme, const ui::ColorResolver &colors,
                   std::function<ui::ScreenController *()> makeChangePassword = {},
                   QObject *parent = nullptr);

    QString email() const { return m_email; }
    QString payload() const { return m_payload; }
    QImage qrImage() const { return m_qrImage; }
    // The sign-out button's background: "ZEPColorInAppWithoutDark-" and the theme suffix.
    QString signOutColorName() const;
    std::optional<QColor> signOutColor() const;

    bool isChangePasswordShown() const { return m_changePasswordShown; }
    double emailRowHeight() const {
        return m_changePasswordShown ? emailRowHeightWithPassword : emailRowHeightWithoutPassword;
    }
    bool isSigningOut() const { return m_signingOut; }
    bool isDeleting() const { return m_deleting; }
    QString signOutTitle() const { return m_signingOut ? QString() : tr("Sign Out"); }
    QString deleteTitle() const { return m_deleting ? QString() : tr("Delete Account"); }

    void viewDidLoad() override;

    // The buttons.
    void signOutBtnTapped();
    // Asks for confirmation; "Confirm" deletes.
    void deleteAccountBtnTapped();
    void changePasswordBtnTapped();
    void btnBackPressed() { dismiss(); }

    void signOutDone() override;
    void accountDeleted(bool isError, const QString &message, const QString &title) override;

signals:
    // Anything the view shows changed.
    void stateChanged();

private:
    void confirmDeletion();
    void endSessionLocally();

    ApiManager &m_api;
    platform::Defaults &m_defaults;
    platform::NotificationCenter &m_center;
    ZEPThemeManager &m_theme;
    const ui::ColorResolver &m_colors;
    std::function<ui::ScreenController *()> m_makeChangePassword;

    QString m_email;
    QString m_payload;
    QImage m_qrImage;
    bool m_changePasswordShown = false;
    bool m_signingOut = false;
    bool m_deleting = false;
};

} // namespace account
