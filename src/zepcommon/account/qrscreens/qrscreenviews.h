#pragma once

#include "zepcommon/account/qrscreens/createqrscreen.h"
#include "zepcommon/account/qrscreens/readqrscreen.h"

#include <QWidget>
#include <memory>

class CaptureBackend;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QRCodeReaderView;
class QToolButton;
class ZEPThemeManager;
namespace ui {
class ViewRegistry;
}

namespace account {

// The account screen's widgets: back button and title, the QR code, the e-mail row with the
// change-password row under it (one frame, 90 high, or 45 with the password row hidden), the
// sign-out button on the theme colour and the delete button, each with its busy indicator. The
// controller and the theme are not owned and outlive the view.
class CreateQRView : public QWidget {
    Q_OBJECT
public:
    CreateQRView(CreateQRScreen *controller, ZEPThemeManager &theme, QWidget *parent = nullptr);

    QLabel *imgQR() const { return m_imgQR; }
    QLabel *emailLbl() const { return m_emailLbl; }
    QFrame *emailChangePassView() const { return m_emailChangePassView; }
    QPushButton *changePasswordBtn() const { return m_changePasswordBtn; }
    QPushButton *signOutBtn() const { return m_signOutBtn; }
    QPushButton *deleteAccountBtn() const { return m_deleteAccountBtn; }

private:
    void update();

    CreateQRScreen *m_controller;
    QToolButton *m_back;
    QLabel *m_lblTitle;
    QLabel *m_imgQR;
    QFrame *m_emailChangePassView;
    QLabel *m_emailLbl;
    QFrame *m_firstViewSeperator;
    QWidget *m_passwordRow = nullptr;
    QLabel *m_imgChangePassword;
    QLabel *m_changePasswordLbl;
    QPushButton *m_changePasswordBtn;
    QFrame *m_signOutBtnView;
    QPushButton *m_signOutBtn;
    QProgressBar *m_signOutIndicator;
    QPushButton *m_deleteAccountBtn;
    QProgressBar *m_deleteBtnIndicator;
};

// The reader's widgets: back and switch-camera buttons, the camera preview with its scan square
// (pinch, or Ctrl and the wheel, to zoom), the no-camera message, the "Open Image…" and "Paste
// Image" buttons, and the blur with its busy indicator while the server confirms a code.
class ReadQRView : public QWidget {
    Q_OBJECT
public:
    ReadQRView(ReadQRScreen *controller, ZEPThemeManager &theme, QWidget *parent = nullptr);

    QRCodeReaderView *cameraView() const { return m_cameraView; }
    QLabel *cameraMessage() const { return m_cameraMessage; }
    QPushButton *openImageBtn() const { return m_openImage; }
    QPushButton *pasteImageBtn() const { return m_pasteImage; }
    QToolButton *switchCameraBtn() const { return m_switchCamera; }
    QWidget *blurView() const { return m_blurView; }

    // The picture on the clipboard, or the first picture file it names.
    static QImage clipboardImage();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void update();
    void openImage();

    ReadQRScreen *m_controller;
    QToolButton *m_back;
    QToolButton *m_switchCamera;
    QRCodeReaderView *m_cameraView;
    QLabel *m_cameraMessage;
    QPushButton *m_openImage;
    QPushButton *m_pasteImage;
    QWidget *m_blurView;
    QProgressBar *m_loadingIndicator;
};

// The cameras of this machine: Qt Multimedia's when it is built in, else none.
std::shared_ptr<CaptureBackend> makeCameraBackend();

// Registers both views.
void registerQrScreenViews(ui::ViewRegistry &views, ZEPThemeManager &theme);

} // namespace account
