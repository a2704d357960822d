#include "zepcommon/qr/qtcapturebackend.h"

#include "platform/log.h"

#include <QCamera>
#include <QCameraDevice>
#include <QElapsedTimer>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPointer>
#include <QVideoFrame>
#include <QVideoSink>

namespace {

class QtCaptureDevice : public CaptureDevice {
public:
    explicit QtCaptureDevice(const QCameraDevice &device)
        : m_device(device)
        , m_camera(std::make_unique<QCamera>(device)) {}

    QCamera *camera() const { return m_camera.get(); }
    QString uniqueId() const override { return QString::fromUtf8(m_device.id()); }
    CapturePosition position() const override {
        switch (m_device.position()) {
        case QCameraDevice::FrontFace:
            return CapturePosition::Front;
        case QCameraDevice::BackFace:
            return CapturePosition::Back;
        default:
            return CapturePosition::Unspecified;
        }
    }
    bool hasTorch() const override { return m_camera->isTorchModeSupported(QCamera::TorchOn); }
    TorchMode torchMode() const override {
        switch (m_camera->torchMode()) {
        case QCamera::TorchOn:
            return TorchMode::On;
        case QCamera::TorchAuto:
            return TorchMode::Auto;
        default:
            return TorchMode::Off;
        }
    }
    void setTorchMode(TorchMode mode) override {
        m_camera->setTorchMode(mode == TorchMode::On     ? QCamera::TorchOn
                               : mode == TorchMode::Auto ? QCamera::TorchAuto
                                                         : QCamera::TorchOff);
    }
    double videoZoomFactor() const override { return m_camera->zoomFactor(); }
    void setVideoZoomFactor(double factor) override { m_camera->setZoomFactor(static_cast<float>(factor)); }
    double maxVideoZoomFactor() const override { return std::max(1.0f, m_camera->maximumZoomFactor()); }
    // Qt cameras need no lock; a camera in an error state refuses changes.
    bool lockForConfiguration() override { return m_camera->error() == QCamera::NoError; }
    void unlockForConfiguration() override {}

private:
    QCameraDevice m_device;
    std::unique_ptr<QCamera> m_camera;
};

class QtCaptureSession : public CaptureSession {
public:
    QtCaptureSession() {
        m_session.setVideoSink(&m_sink);
        QObject::connect(&m_sink, &QVideoSink::videoFrameChanged, &m_sink, [this](const QVideoFrame &frame) {
            // Decoding every frame would starve the GUI thread; eight a second is plenty to aim.
            if (m_sinceLastFrame.isValid() && m_sinceLastFrame.elapsed() < 125)
                return;
            m_sinceLastFrame.start();
            deliverFrame(frame.toImage());
        });
    }
    ~QtCaptureSession() override { setActive(false); }

protected:
    void applyInputs() override {
        QCamera *camera = activeCamera();
        if (m_activeCamera && m_activeCamera != camera)
            m_activeCamera->stop();
        m_activeCamera = camera;
        m_session.setCamera(camera);
        if (camera && isRunning())
            camera->start();
    }
    void setActive(bool active) override {
        if (!m_activeCamera)
            return;
        if (active)
            m_activeCamera->start();
        else
            m_activeCamera->stop();
    }

private:
    QCamera *activeCamera() const {
        if (inputs().empty())
            return nullptr;
        auto *device = dynamic_cast<QtCaptureDevice *>(inputs().front()->device.get());
        return device ? device->camera() : nullptr;
    }

    QMediaCaptureSession m_session;
    QVideoSink m_sink;
    QPointer<QCamera> m_activeCamera;
    QElapsedTimer m_sinceLastFrame;
};

} // namespace

std::shared_ptr<CaptureDevice> QtCaptureBackend::defaultVideoDevice() {
    const QCameraDevice device = QMediaDevices::defaultVideoInput();
    if (device.isNull())
        return nullptr;
    return deviceFor(device);
}

std::shared_ptr<CaptureDevice> QtCaptureBackend::deviceFor(const QCameraDevice &device) {
    if (auto existing = m_devices[device.id()].lock())
        return existing;
    auto created = std::make_shared<QtCaptureDevice>(device);
    m_devices[device.id()] = created;
    return created;
}

std::vector<std::shared_ptr<CaptureDevice>> QtCaptureBackend::videoDevices() {
    std::vector<std::shared_ptr<CaptureDevice>> devices;
    const auto inputs = QMediaDevices::videoInputs();
    for (const QCameraDevice &device : inputs)
        devices.push_back(deviceFor(device));
    return devices;
}

std::shared_ptr<CaptureDeviceInput>
QtCaptureBackend::makeInput(const std::shared_ptr<CaptureDevice> &device) {
    auto *qtDevice = dynamic_cast<QtCaptureDevice *>(device.get());
    if (!qtDevice || qtDevice->camera()->error() != QCamera::NoError) {
        platform::log(
            QStringLiteral("Camera cannot be opened: %1")
                .arg(qtDevice ? qtDevice->camera()->errorString() : QStringLiteral("unknown camera")));
        return nullptr;
    }
    return std::make_shared<CaptureDeviceInput>(CaptureDeviceInput{device});
}

std::unique_ptr<CaptureSession> QtCaptureBackend::makeSession() {
    return std::make_unique<QtCaptureSession>();
}
