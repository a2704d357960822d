#pragma once

#include "zepcommon/qr/capture.h"

namespace account {

// Cameras of a machine that has none: the reader then reads pictures only. Used where Qt
// Multimedia is not built in, and by tests.
class NoCameraBackend final : public CaptureBackend {
public:
    std::shared_ptr<CaptureDevice> defaultVideoDevice() override { return nullptr; }
    std::vector<std::shared_ptr<CaptureDevice>> videoDevices() override { return {}; }
    std::shared_ptr<CaptureDeviceInput> makeInput(const std::shared_ptr<CaptureDevice> &) override {
        return nullptr;
    }
    std::unique_ptr<CaptureSession> makeSession() override { return std::make_unique<CaptureSession>(); }
};

} // namespace account
