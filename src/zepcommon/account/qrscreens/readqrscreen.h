#pragma once

#include "zepcommon/account/accountdelegates.h"

#include "ui/screencontroller.h"

#include <QImage>
#include <QString>
#include <QVariant>
#include <memory>

class CaptureBackend;
class QRCodeReader;
namespace platform {
class Defaults;
class NotificationCenter;
} // namespace platform

namespace account {

class ApiManager;

// The QR reader of the sign-in hub: reads the code of a signed-in device's account screen with
// the camera, from an image file or from a picture on the clipboard, adopts the identifiers it
// carries and asks the server to confirm them ("_user-cross-platform-login"). The answer's
// identifiers become this device's session; the user details follow, whose "Congratulations"
// alert closes the reader and the hub.
//
// A read text is ignored while this device is signed in (isSessionValid true) and while an error
// alert is up. A text that is not five comma-separated fields shows "Error" / "Wrong QR code
// scanned", whose OK closes the reader. When the server does not confirm a good code, the
// identifiers stored before it are put back, "User_Sign_Out" undoes the sign-in notice, and an
// alert says why; the reader stays open.
//
// Without a camera the reader still reads files and the clipboard. The collaborators are not
// owned and outlive the screen. GUI thread only; ApiManager calls the delegates there.
class ReadQRScreen : public ui::ScreenController, public CrossPlatFormDelegate, public UserDetailDelegate {
    Q_OBJECT
public:
    ReadQRScreen(ApiManager &api, platform::Defaults &defaults, platform::NotificationCenter &center,
                 std::shared_ptr<CaptureBackend> cameras, QObject *parent = nullptr);
    ~ReadQRScreen() override;

    QRCodeReader &reader() const { return *m_codeReader; }
    bool hasCamera() const;
    bool canSwitchCamera() const;
    // What the preview area says when there is no camera; empty with one.
    QString cameraMessage() const;

    bool isBlurShown() const { return m_blurShown; }
    bool isLoading() const { return m_loading; }
    bool isErrorAlertUp() const { return m_errorMsg; }
    QString currentScannedCode() const { return m_currentScannedCode; }
    QString heading() const { return m_heading; }
    QString message() const { return m_message; }

    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

    // A text read by the camera or from a picture.
    void handleScannedText(const QString &text);
    // The first QR code in the picture; an alert when there is none.
    void readImage(const QImage &image);
    // The picture in a file; an alert when it cannot be read.
    void readImageFile(const QString &path);

    void btnSwitchCameraPressed();
    void btnBackPressed() { dismiss(); }
    // Zoom by a mouse wheel (Ctrl held): degrees turned, positive to zoom in.
    void zoomByWheel(double degrees);

    void crossPlatformSignInDone() override;
    void crossPlatformSignInFailed(const QString &reason) override;
    void userDetailsLoaded() override;

signals:
    void stateChanged();

private:
    // What a good code replaces, to put back when the server does not confirm it.
    struct Stored {
        QVariant userId, sessionId, email, thirdParty;
        std::optional<bool> sessionValid;
    };
    Stored storedIdentifiers() const;
    void restore(const Stored &stored);
    void showError(const QString &title, const QString &text, bool closesReader);
    void setBusy(bool busy);

    ApiManager &m_api;
    platform::Defaults &m_defaults;
    platform::NotificationCenter &m_center;
    std::unique_ptr<QRCodeReader> m_codeReader;

    QString m_currentScannedCode;
    QString m_userId;
    QString m_sessionId;
    QString m_email;
    QString m_thirdPartySignIn;
    QString m_heading;
    QString m_message;
    bool m_errorMsg = false;
    bool m_blurShown = false;
    bool m_loading = false;
    std::optional<Stored> m_beforeScan;
};

} // namespace account
