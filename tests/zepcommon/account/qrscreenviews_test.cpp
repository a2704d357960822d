// The QR sign-in screens' widgets: what they show of their controllers, and names for every control.
#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "tarnwick/apiclient.h"
#include "testapiserver.h"
#include "ui/colorresolver.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/qrpayload.h"
#include "zepcommon/account/qrscreens/nocamera.h"
#include "zepcommon/account/qrscreens/qrscreenviews.h"
#include "zepcommon/qr/qrcodegenerator.h"
#include "zepcommon/qr/qrcodereaderview.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace account;

namespace {

class OrangeColors : public ui::ColorResolver {
public:
    std::optional<QColor> color(const QString &name) const override {
        if (name == "ZEPColorInAppWithoutDark-orange")
            return QColor(0xFF, 0x8A, 0x00);
        return std::nullopt;
    }
};

class QrScreenViews : public ::testing::Test {
protected:
    QrScreenViews() {
        theme.applyTheme(ThemeColor::Orange);
        defaults.setValue("User_Email", "ada@example.org");
        defaults.setValue("Sign_In_User_UserID", "user-1");
        defaults.setValue("Sign_In_User_SessionID", "session-1");
    }
    // Every button and busy indicator can be found by a screen reader.
    static void expectNamedControls(QWidget &view) {
        for (QWidget *control : view.findChildren<QWidget *>()) {
            const bool isControl =
                qobject_cast<QAbstractButton *>(control) || qobject_cast<QProgressBar *>(control);
            EXPECT_TRUE(!isControl || !control->accessibleName().isEmpty())
                << control->metaObject()->className();
        }
    }

    // Nothing listens at port 9 of loopback: requests fail at once, and no answer is awaited here.
    tarnwick::ApiClient client{testsupport::testClientSettings(QUrl("http://127.0.0.1:9/v1/call"), "views")};
    static inline int count = 0;
    platform::Defaults defaults{QStringLiteral("views-%1").arg(++count)};
    platform::NotificationCenter center;
    ApiManager manager{client, defaults, center};
    ZEPThemeManager theme;
    OrangeColors colors;
};

TEST_F(QrScreenViews, AccountScreenRowsAndCode) {
    for (const bool external : {false, true}) {
        defaults.setValue("Third_Party_Sign_In", external);
        ui::ScreenController changePassword;
        CreateQRScreen screen(manager, defaults, center, theme, colors, [&] { return &changePassword; });
        CreateQRView view(&screen, theme);
        view.resize(480, 760);
        view.show();
        EXPECT_EQ(view.emailChangePassView()->height(), external ? 45 : 90);
        EXPECT_EQ(view.changePasswordBtn()->isVisible(), !external);
        EXPECT_EQ(view.emailLbl()->text(), "ada@example.org");
        EXPECT_EQ(view.imgQR()->pixmap().size(), QSize(200, 200));
        EXPECT_EQ(view.signOutBtn()->text(), "Sign Out");
        expectNamedControls(view);

        view.signOutBtn()->click();
        EXPECT_EQ(view.signOutBtn()->text(), "");
        EXPECT_FALSE(view.deleteAccountBtn()->isEnabled()) << "one account action at a time";
    }
}

TEST_F(QrScreenViews, ReaderWithoutCameraReadsThePastedPicture) {
    ReadQRScreen screen(manager, defaults, center, std::make_shared<NoCameraBackend>());
    ReadQRView view(&screen, theme);
    view.resize(480, 760);
    view.show();
    EXPECT_TRUE(view.cameraMessage()->isVisible());
    EXPECT_TRUE(view.cameraMessage()->text().startsWith("No camera was found"));
    EXPECT_FALSE(view.switchCameraBtn()->isEnabled());
    EXPECT_TRUE(view.openImageBtn()->isEnabled());
    EXPECT_FALSE(view.blurView()->isVisible());
    expectNamedControls(view);

    QRCodeGenerator code(QrSignInPayload{"user-2", "session-2", "b@example.org", false}.encode());
    QApplication::clipboard()->setImage(code.getImage());
    view.pasteImageBtn()->click();
    EXPECT_EQ(defaults.stringValue("Sign_In_User_UserID"), "user-2");
    EXPECT_TRUE(view.blurView()->isVisible());
    EXPECT_FALSE(view.pasteImageBtn()->isEnabled());
}

} // namespace
