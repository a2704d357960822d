#include "zepcommon/account/qrscreens/readqrscreen.h"

#include "zepcommon/account/accountkeys.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/qrpayload.h"
#include "zepcommon/qr/qrcodedecoder.h"
#include "zepcommon/qr/qrcodereader.h"

#include "platform/defaults.h"
#include "platform/log.h"
#include "platform/notificationcenter.h"

#include <QImageReader>

namespace account {

namespace {

QString key(const char *name) {
    return QLatin1String(name);
}

} // namespace

ReadQRScreen::ReadQRScreen(ApiManager &api, platform::Defaults &defaults,
                           platform::NotificationCenter &center, std::shared_ptr<CaptureBackend> cameras,
                           QObject *parent)
    : ui::ScreenController(parent)
    , m_api(api)
    , m_defaults(defaults)
    , m_center(center)
    , m_codeReader(std::make_unique<QRCodeReader>(std::move(cameras))) {
    setTitle(tr("Scan QR Code"));
}

ReadQRScreen::~ReadQRScreen() = default;

bool ReadQRScreen::hasCamera() const {
    return m_codeReader->defaultDeviceInput() != nullptr;
}

bool ReadQRScreen::canSwitchCamera() const {
    return hasCamera() && m_codeReader->frontDeviceInput() != nullptr;
}

QString ReadQRScreen::cameraMessage() const {
    if (hasCamera())
        return {};
    return tr("No camera was found on this computer.\n"
              "Open a picture of the QR code, or copy one and paste it here.");
}

void ReadQRScreen::viewDidLoad() {
    m_api.setUserDetailDelegate(this);
    m_api.setCrossPlatFormDelegate(this);
    m_blurShown = false;
    m_loading = false;
    m_codeReader->setCompletionWithBlock([this](const QString &text) { handleScannedText(text); });
    emit stateChanged();
}

void ReadQRScreen::viewWillAppear() {
    m_codeReader->startScanning();
}

void ReadQRScreen::viewWillDisappear() {
    m_codeReader->stopScanning();
}

void ReadQRScreen::handleScannedText(const QString &text) {
    // A camera reports the same code frame after frame: only the first one counts.
    if (m_api.isSessionValid() == true || m_errorMsg)
        return;
    const auto payload = QrSignInPayload::parse(text);
    if (!payload) {
        m_currentScannedCode = text;
        showError(tr("Error"), tr("Wrong QR code scanned"), true);
        return;
    }
    m_beforeScan = storedIdentifiers();
    m_userId = payload->userId;
    m_sessionId = payload->sessionId;
    m_email = payload->email;
    m_thirdPartySignIn = payload->externalAccount ? QStringLiteral("true") : QStringLiteral("false");
    m_defaults.setValue(key(keys::thirdPartySignIn), payload->externalAccount);
    m_defaults.setValue(key(keys::userId), m_userId);
    m_defaults.setValue(key(keys::sessionId), m_sessionId);
    m_defaults.setValue(key(keys::email), m_email);
    m_api.setIsSessionValid(true);
    m_api.crossPlatformLogin();
    m_center.post(key(notifications::signInAfterQr));
    m_heading = QLatin1String(texts::congratulations);
    m_message = QLatin1String(texts::scannedUserSignedIn);
    setBusy(true);
}

void ReadQRScreen::readImage(const QImage &image) {
    if (image.isNull()) {
        showError(tr("No Picture"), tr("There is no picture to read a QR code from."), false);
        return;
    }
    const auto codes = QRCodeDecoder::decode(image, {QRCodeDecoder::qrCodeType});
    if (codes.empty()) {
        showError(tr("No QR Code"), tr("No QR code was found in the picture."), false);
        return;
    }
    handleScannedText(codes.front().stringValue);
}

void ReadQRScreen::readImageFile(const QString &path) {
    QImageReader file(path);
    file.setAutoTransform(true);
    const QImage image = file.read();
    if (image.isNull()) {
        showError(tr("Cannot Open Picture"),
                  tr("%1 could not be read as a picture: %2.").arg(path, file.errorString()), false);
        return;
    }
    readImage(image);
}

void ReadQRScreen::btnSwitchCameraPressed() {
    m_codeReader->switchDeviceInput();
    emit stateChanged();
}

void ReadQRScreen::zoomByWheel(double degrees) {
    if (!hasCamera() || degrees == 0)
        return;
    // One notch of a wheel (15 degrees) zooms like a slow pinch: about 0.3 in the zoom factor.
    m_codeReader->handlePinch(Qt::GestureStarted, 0);
    m_codeReader->handlePinch(Qt::GestureUpdated, degrees / 5);
}

void ReadQRScreen::crossPlatformSignInDone() {
    m_beforeScan.reset();
    m_api.getUserDetails(true, m_defaults.stringValue(key(keys::userId)));
}

void ReadQRScreen::crossPlatformSignInFailed(const QString &reason) {
    platform::log(QStringLiteral("QR sign-in not confirmed: %1").arg(reason));
    if (m_beforeScan)
        restore(*std::exchange(m_beforeScan, std::nullopt));
    m_center.post(key(notifications::signOut));
    setBusy(false);
    showError(tr("Not Signed In"), reason, false);
}

void ReadQRScreen::userDetailsLoaded() {
    setBusy(false);
}

ReadQRScreen::Stored ReadQRScreen::storedIdentifiers() const {
    const auto stored = [this](const char *name) {
        return m_defaults.contains(key(name)) ? m_defaults.value(key(name)) : QVariant();
    };
    return {stored(keys::userId), stored(keys::sessionId), stored(keys::email),
            stored(keys::thirdPartySignIn), m_api.isSessionValid()};
}

void ReadQRScreen::restore(const Stored &stored) {
    const auto put = [this](const char *name, const QVariant &value) {
        if (value.isValid())
            m_defaults.setValue(key(name), value);
        else
            m_defaults.remove(key(name));
    };
    put(keys::userId, stored.userId);
    put(keys::sessionId, stored.sessionId);
    put(keys::email, stored.email);
    put(keys::thirdPartySignIn, stored.thirdParty);
    m_api.setIsSessionValid(stored.sessionValid);
}

void ReadQRScreen::showError(const QString &title, const QString &text, bool closesReader) {
    // Reading stops while the alert is up, so a camera that still sees the code does not stack alerts.
    m_errorMsg = true;
    ui::AlertSpec alert;
    alert.title = title;
    alert.message = text;
    alert.addAction(QLatin1String(texts::ok), ui::AlertSpec::Style::Default,
                    [this, closesReader](const QStringList &) {
                        if (closesReader) {
                            dismiss();
                            return;
                        }
                        m_errorMsg = false;
                    });
    showAlert(alert);
}

void ReadQRScreen::setBusy(bool busy) {
    m_blurShown = busy;
    m_loading = busy;
    emit stateChanged();
}

} // namespace account
