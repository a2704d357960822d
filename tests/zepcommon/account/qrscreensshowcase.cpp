// Renders the QR sign-in screens for looking at them (screenshots under Xvfb):
// `qrscreens_showcase OUTDIR` writes qr-account.png (an e-mail account with its code),
// qr-account-external.png (a Google account: no password row), qr-account-confirm.png (the
// deletion alert), qr-reader.png (the reader with this machine's cameras) and qr-reader-busy.png
// (the reader after a pasted code, waiting for the server).
#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "tarnwick/apiclient.h"
#include "ui/alertpresenter.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/qrpayload.h"
#include "zepcommon/account/qrscreens/qrscreenviews.h"
#include "zepcommon/qr/qrcodegenerator.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

bool save(QWidget &widget, const QString &path) {
    widget.show();
    QApplication::processEvents();
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qrscreens_showcase OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir sandbox;
    if (!sandbox.isValid()) {
        std::fprintf(stderr, "no temporary folder: %s\n", qPrintable(sandbox.errorString()));
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", sandbox.filePath("config").toLocal8Bit());
    tarnwick::ApiClientSettings settings;
    settings.appIdentifier = QStringLiteral("app.tidewell.Tidewell");
    settings.appVersion = QStringLiteral("1.0");
    settings.serviceUrl = QUrl(QStringLiteral("http://127.0.0.1:9/v1/call")); // nothing answers
    settings.secretStorePath = sandbox.filePath("secrets.json");
    settings.remoteValuesPath = sandbox.filePath("remote-values.dat");
    tarnwick::ApiClient client(settings);
    platform::Defaults defaults(QStringLiteral("showcase"));
    platform::NotificationCenter center;
    account::ApiManager manager(client, defaults, center);
    ZEPThemeManager theme;
    theme.applyTheme(ThemeColor::Orange);
    ZEPColorResolver colors;

    defaults.setValue("User_Email", "ada.lovelace@example.org");
    defaults.setValue("Sign_In_User_UserID", "7f3c2a9e-4b1d-4c55-9a0e-2d6b8f1e9c31");
    defaults.setValue("Sign_In_User_SessionID", "c1d9f0b27a8e4e6f93b5a4d20e7c6b18");
    bool ok = true;
    for (const bool external : {false, true}) {
        defaults.setValue("Third_Party_Sign_In", external);
        ui::ScreenController changePassword;
        account::CreateQRScreen screen(manager, defaults, center, theme, colors,
                                       [&] { return &changePassword; });
        account::CreateQRView view(&screen, theme);
        view.resize(480, 720);
        ok &= save(view, out + (external ? "/qr-account-external.png" : "/qr-account.png"));
        if (!external) {
            QObject::connect(&screen, &ui::ScreenController::alertRequested, &view,
                             [&](const ui::AlertSpec &alert) {
                                 QDialog *box = ui::AlertPresenter::present(alert, &view);
                                 ok &= save(*box, out + "/qr-account-confirm.png");
                                 box->close();
                             });
            view.deleteAccountBtn()->click();
        }
    }

    defaults.remove("Sign_In_User_UserID");
    defaults.remove("Sign_In_User_SessionID");
    account::ReadQRScreen reader(manager, defaults, center, account::makeCameraBackend());
    account::ReadQRView readerView(&reader, theme);
    readerView.resize(480, 720);
    reader.beginAppearanceTransition(true);
    reader.endAppearanceTransition();
    ok &= save(readerView, out + "/qr-reader.png");
    QRCodeGenerator code(account::QrSignInPayload{"user-1", "session-1", "ada@example.org", false}.encode());
    QApplication::clipboard()->setImage(code.getImage());
    readerView.pasteImageBtn()->click();
    ok &= save(readerView, out + "/qr-reader-busy.png");
    return ok ? 0 : 1;
}
