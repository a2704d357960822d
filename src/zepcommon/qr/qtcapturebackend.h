#pragma once

#include "zepcommon/qr/capture.h"

#include <QByteArray>
#include <QCameraDevice>
#include <map>

// The cameras of this machine through Qt Multimedia. Without a camera, defaultVideoDevice() is
// nullptr and nothing of Qt Multimedia beyond the device list is touched. Frames reach the session
// on the GUI thread, at most about eight a second for decoding. GUI thread only.
class QtCaptureBackend : public CaptureBackend {
public:
    std::shared_ptr<CaptureDevice> defaultVideoDevice() override;
    std::vector<std::shared_ptr<CaptureDevice>> videoDevices() override;
    std::shared_ptr<CaptureDeviceInput> makeInput(const std::shared_ptr<CaptureDevice> &device) override;
    std::unique_ptr<CaptureSession> makeSession() override;

private:
    // One device object per camera, so the default and the listed camera share one QCamera.
    std::shared_ptr<CaptureDevice> deviceFor(const QCameraDevice &device);
    std::map<QByteArray, std::weak_ptr<CaptureDevice>> m_devices;
};
