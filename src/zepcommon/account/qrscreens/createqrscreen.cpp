#include "zepcommon/account/qrscreens/createqrscreen.h"

#include "zepcommon/account/accountkeys.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/qrpayload.h"
#include "zepcommon/qr/qrcodegenerator.h"
#include "zepcommon/theme/zepthememanager.h"

#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "ui/colorresolver.h"

namespace account {

namespace {

QString key(const char *name) {
    return QLatin1String(name);
}

} // namespace

CreateQRScreen::CreateQRScreen(ApiManager &api, platform::Defaults &defaults,
                               platform::NotificationCenter &center, ZEPThemeManager &theme,
                               const ui::ColorResolver &colors,
                               std::function<ui::ScreenController *()> makeChangePassword, QObject *parent)
    : ui::ScreenController(parent)
    , m_api(api)
    , m_defaults(defaults)
    , m_center(center)
    , m_theme(theme)
    , m_colors(colors)
    , m_makeChangePassword(std::move(makeChangePassword)) {
    setTitle(tr("Account"));
}

QString CreateQRScreen::signOutColorName() const {
    return m_theme.themeColorInAllApp();
}

std::optional<QColor> CreateQRScreen::signOutColor() const {
    return m_colors.color(signOutColorName());
}

void CreateQRScreen::viewDidLoad() {
    m_signingOut = false;
    m_deleting = false;
    m_email = m_defaults.stringValue(key(keys::email));
    m_api.setSignOutBtnDelegate(this);
    m_api.setDeleteAccountDelegate(this);

    const bool external = m_defaults.boolValue(key(keys::thirdPartySignIn));
    m_payload = QrSignInPayload{m_defaults.stringValue(key(keys::userId)),
                                m_defaults.stringValue(key(keys::sessionId)), m_email, external}
                    .encode();
    QRCodeGenerator generator(m_payload);
    generator.setErrorCorrection(QRCodeGenerator::LevelL);
    generator.setSize({qrSide, qrSide});
    generator.setColor(Qt::black);
    generator.setBackgroundColor(Qt::white);
    m_qrImage = generator.getImage();

    // Password functions belong to e-mail accounts only.
    m_changePasswordShown = !external && m_makeChangePassword;
    emit stateChanged();
}

void CreateQRScreen::endSessionLocally() {
    m_api.setIsSessionValid(false);
    m_defaults.setValue(key(keys::userId), QString());
    m_defaults.setValue(key(keys::sessionId), QString());
}

void CreateQRScreen::signOutBtnTapped() {
    if (m_signingOut || m_deleting)
        return;
    m_signingOut = true;
    emit stateChanged();
    // The request takes the identifiers as they are now, before they are cleared below.
    m_api.signOut();
    endSessionLocally();
    m_center.post(key(notifications::signOut));
}

void CreateQRScreen::signOutDone() {
    m_signingOut = false;
    endSessionLocally();
    emit stateChanged();
    dismiss();
}

void CreateQRScreen::deleteAccountBtnTapped() {
    if (m_signingOut || m_deleting)
        return;
    ui::AlertSpec alert;
    alert.title = tr("Confirmation");
    alert.message = tr("Are you sure you want to delete your account?");
    alert.addAction(tr("Cancel"), ui::AlertSpec::Style::Cancel);
    alert.addAction(tr("Confirm"), ui::AlertSpec::Style::Destructive,
                    [this](const QStringList &) { confirmDeletion(); });
    showAlert(alert);
}

void CreateQRScreen::confirmDeletion() {
    if (m_signingOut || m_deleting)
        return;
    m_deleting = true;
    emit stateChanged();
    m_api.deleteAccount();
    endSessionLocally();
    m_center.post(key(notifications::signOut));
}

void CreateQRScreen::accountDeleted(bool isError, const QString &message, const QString &) {
    m_deleting = false;
    emit stateChanged();
    if (!isError) {
        dismiss();
        return;
    }
    // This device is signed out already; the user must still learn that the account lives on.
    ui::AlertSpec alert;
    alert.title = tr("Account Not Deleted");
    alert.message = message;
    alert.addAction(tr("OK"), ui::AlertSpec::Style::Default, [this](const QStringList &) { dismiss(); });
    showAlert(alert);
}

void CreateQRScreen::changePasswordBtnTapped() {
    if (!m_changePasswordShown)
        return;
    if (ui::ScreenController *screen = m_makeChangePassword())
        push(screen);
}

} // namespace account
