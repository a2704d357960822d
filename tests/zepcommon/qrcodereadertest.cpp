#include "zepcommon/qr/qrcodereader.h"
#include "zepcommon/qr/qrcodegenerator.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class FakeDevice : public CaptureDevice {
public:
    FakeDevice(QString id, CapturePosition position)
        : id(std::move(id))
        , place(position) {}
    QString uniqueId() const override { return id; }
    CapturePosition position() const override { return place; }
    bool hasTorch() const override { return torch; }
    TorchMode torchMode() const override { return mode; }
    void setTorchMode(TorchMode value) override { mode = value; }
    double videoZoomFactor() const override { return zoom; }
    void setVideoZoomFactor(double factor) override { zoom = factor; }
    double maxVideoZoomFactor() const override { return maxZoom; }
    bool lockForConfiguration() override {
        locked = lockSucceeds;
        return lockSucceeds;
    }
    void unlockForConfiguration() override { locked = false; }

    QString id;
    CapturePosition place;
    bool torch = true;
    TorchMode mode = TorchMode::Off;
    double zoom = 1;
    double maxZoom = 4;
    bool lockSucceeds = true;
    bool locked = false;
};

class FakeSession : public CaptureSession {
public:
    int activations = 0;
    int applied = 0;

protected:
    void applyInputs() override { ++applied; }
    void setActive(bool active) override { activations += active ? 1 : 0; }
};

class FakeBackend : public CaptureBackend {
public:
    std::shared_ptr<CaptureDevice> defaultVideoDevice() override {
        return devices.empty() ? nullptr : devices.front();
    }
    std::vector<std::shared_ptr<CaptureDevice>> videoDevices() override {
        return {devices.begin(), devices.end()};
    }
    std::shared_ptr<CaptureDeviceInput> makeInput(const std::shared_ptr<CaptureDevice> &device) override {
        if (failingInputs.contains(device->uniqueId()))
            return nullptr;
        return std::make_shared<CaptureDeviceInput>(CaptureDeviceInput{device});
    }
    std::unique_ptr<CaptureSession> makeSession() override { return std::make_unique<FakeSession>(); }

    std::shared_ptr<FakeDevice> add(const QString &id, CapturePosition position) {
        auto device = std::make_shared<FakeDevice>(id, position);
        devices.push_back(device);
        return device;
    }

    std::vector<std::shared_ptr<FakeDevice>> devices;
    QStringList failingInputs;
};

FakeSession &fakeSession(const QRCodeReader &reader) {
    return static_cast<FakeSession &>(*reader.session());
}

QString currentDeviceId(const QRCodeReader &reader) {
    return reader.session()->inputs().empty() ? QString()
                                              : reader.session()->inputs().front()->device->uniqueId();
}

TEST(QRCodeReaderTest, WithoutCameraEveryCaptureFieldStaysEmptyAndActionsDoNothing) {
    auto backend = std::make_shared<FakeBackend>();
    QRCodeReader reader(backend);
    EXPECT_EQ(reader.initialScale(), 0);
    EXPECT_EQ(reader.metadataObjectTypes(), QStringList{QRCodeDecoder::qrCodeType});
    EXPECT_EQ(reader.defaultDevice(), nullptr);
    EXPECT_EQ(reader.frontDevice(), nullptr);
    EXPECT_EQ(reader.defaultDeviceInput(), nullptr);
    EXPECT_EQ(reader.frontDeviceInput(), nullptr);
    EXPECT_EQ(reader.metadataOutput(), nullptr);
    EXPECT_EQ(reader.session(), nullptr);
    EXPECT_EQ(reader.previewLayer(), nullptr);
    reader.startScanning();
    EXPECT_FALSE(reader.running());
    reader.switchDeviceInput();
    reader.toggleTorch();
    reader.handlePinch(Qt::GestureStarted, 0);
    reader.handlePinch(Qt::GestureUpdated, 5);
    reader.stopScanning();
    EXPECT_FALSE(reader.isTorchAvailable());
    EXPECT_FALSE(reader.hasFrontDevice());
    EXPECT_FALSE(QRCodeReader::isAvailable(*backend));
    EXPECT_FALSE(QRCodeReader::supportsMetadataObjectTypes(*backend, {}));
}

TEST(QRCodeReaderTest, SetUpTakesTheDefaultCameraAndTheLastFrontCamera) {
    auto backend = std::make_shared<FakeBackend>();
    backend->add("back", CapturePosition::Back);
    backend->add("front-1", CapturePosition::Front);
    backend->add("front-2", CapturePosition::Front);
    QRCodeReader reader(backend);
    EXPECT_EQ(reader.defaultDevice()->uniqueId(), "back");
    EXPECT_EQ(reader.frontDevice()->uniqueId(), "front-2");
    ASSERT_NE(reader.frontDeviceInput(), nullptr);
    EXPECT_EQ(currentDeviceId(reader), "back");
    EXPECT_EQ(reader.session()->output(), reader.metadataOutput());
    EXPECT_EQ(reader.previewLayer()->videoGravity(), VideoPreviewLayer::VideoGravity::ResizeAspectFill);
    EXPECT_FALSE(reader.running()); // the caller starts it
    EXPECT_TRUE(reader.hasFrontDevice());
}

TEST(QRCodeReaderTest, AFailedInputIsLeftOut) {
    auto backend = std::make_shared<FakeBackend>();
    backend->add("back", CapturePosition::Back);
    backend->failingInputs << "back";
    QRCodeReader reader(backend);
    EXPECT_NE(reader.defaultDevice(), nullptr);
    EXPECT_EQ(reader.defaultDeviceInput(), nullptr);
    ASSERT_NE(reader.session(), nullptr);
    EXPECT_TRUE(reader.session()->inputs().empty());
    EXPECT_FALSE(QRCodeReader::isAvailable(*backend));
}

TEST(QRCodeReaderTest, UnreadableTypesAreDroppedFromTheOutputAndNotSupported) {
    auto backend = std::make_shared<FakeBackend>();
    backend->add("back", CapturePosition::Back);
    const QStringList types{"QRCode", "org.example.Face", "EAN-13"};
    auto reader = QRCodeReader::readerWithMetadataObjectTypes(backend, types);
    EXPECT_EQ(reader->metadataObjectTypes(), types);
    EXPECT_EQ(reader->metadataOutput()->metadataObjectTypes(), (QStringList{"QRCode", "EAN-13"}));
    EXPECT_FALSE(QRCodeReader::supportsMetadataObjectTypes(*backend, types));
    EXPECT_TRUE(QRCodeReader::supportsMetadataObjectTypes(*backend, {"QRCode", "EAN-13"}));
    EXPECT_TRUE(QRCodeReader::supportsMetadataObjectTypes(*backend, {}));
}

TEST(QRCodeReaderTest, StartAndStopActOnlyWhenTheStateCallsForIt) {
    auto backend = std::make_shared<FakeBackend>();
    backend->add("back", CapturePosition::Back);
    QRCodeReader reader(backend);
    reader.startScanning();
    reader.startScanning();
    EXPECT_TRUE(reader.running());
    EXPECT_EQ(fakeSession(reader).activations, 1);
    reader.stopScanning();
    EXPECT_FALSE(reader.running());
}

TEST(QRCodeReaderTest, SwitchingTwiceReturnsToTheBackCamera) {
    auto backend = std::make_shared<FakeBackend>();
    backend->add("back", CapturePosition::Back);
    backend->add("front", CapturePosition::Front);
    QRCodeReader reader(backend);
    const int appliedBefore = fakeSession(reader).applied;
    reader.switchDeviceInput();
    EXPECT_EQ(currentDeviceId(reader), "front");
    EXPECT_EQ(reader.session()->inputs().size(), 1u);
    EXPECT_EQ(fakeSession(reader).applied, appliedBefore + 1); // one change per configuration block
    reader.switchDeviceInput();
    EXPECT_EQ(currentDeviceId(reader), "back");
}

TEST(QRCodeReaderTest, SwitchingWithoutFrontCameraKeepsTheInput) {
    auto backend = std::make_shared<FakeBackend>();
    backend->add("back", CapturePosition::Back);
    backend->add("other", CapturePosition::Unspecified);
    QRCodeReader reader(backend);
    reader.switchDeviceInput();
    EXPECT_EQ(currentDeviceId(reader), "back");
}

struct TorchCase {
    TorchMode before;
    bool lockSucceeds;
    TorchMode after;
};

class TorchTest : public ::testing::TestWithParam<TorchCase> {};

TEST_P(TorchTest, TogglesUnderALock) {
    auto backend = std::make_shared<FakeBackend>();
    auto device = backend->add("back", CapturePosition::Back);
    device->mode = GetParam().before;
    device->lockSucceeds = GetParam().lockSucceeds;
    QRCodeReader reader(backend);
    EXPECT_TRUE(reader.isTorchAvailable());
    reader.toggleTorch();
    EXPECT_EQ(device->mode, GetParam().after);
    EXPECT_FALSE(device->locked);
}

INSTANTIATE_TEST_SUITE_P(Modes, TorchTest,
                         ::testing::Values(TorchCase{TorchMode::Off, true, TorchMode::On},
                                           TorchCase{TorchMode::Auto, true, TorchMode::On},
                                           TorchCase{TorchMode::On, true, TorchMode::Off},
                                           TorchCase{TorchMode::Off, false, TorchMode::Off},
                                           TorchCase{TorchMode::On, false, TorchMode::On}));

struct PinchCase {
    double startZoom;
    double maxZoom;
    double velocity;
    double expectedZoom;
};

class PinchTest : public ::testing::TestWithParam<PinchCase> {};

TEST_P(PinchTest, MovesByTheArctangentWithinOneAndTheMaximum) {
    auto backend = std::make_shared<FakeBackend>();
    auto device = backend->add("back", CapturePosition::Back);
    device->zoom = GetParam().startZoom;
    device->maxZoom = GetParam().maxZoom;
    QRCodeReader reader(backend);
    reader.handlePinch(Qt::GestureStarted, 0);
    EXPECT_DOUBLE_EQ(reader.initialScale(), GetParam().startZoom);
    reader.handlePinch(Qt::GestureUpdated, GetParam().velocity);
    EXPECT_NEAR(device->zoom, GetParam().expectedZoom, 1e-6);
    // The remembered scale is the unclamped sum.
    EXPECT_NEAR(reader.initialScale(), GetParam().startZoom + std::atan2(GetParam().velocity, 10.0), 1e-6);
    reader.handlePinch(Qt::GestureFinished, 100);
    EXPECT_NEAR(device->zoom, GetParam().expectedZoom, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Gestures, PinchTest,
                         ::testing::Values(PinchCase{1, 4, 10, 1 + M_PI / 4},
                                           PinchCase{2, 4, -10, 2 - M_PI / 4},
                                           PinchCase{1, 4, -50, 1},     // never below 1
                                           PinchCase{3.5, 4, 1e6, 4},   // never above the maximum
                                           PinchCase{1, 1, 30, 1},      // a camera that cannot zoom
                                           PinchCase{1.5, 4, 0, 1.5})); // no movement

TEST(QRCodeReaderTest, AFailedZoomLockStillZooms) {
    auto backend = std::make_shared<FakeBackend>();
    auto device = backend->add("back", CapturePosition::Back);
    device->lockSucceeds = false;
    QRCodeReader reader(backend);
    reader.handlePinch(Qt::GestureUpdated, 10);
    EXPECT_NEAR(device->zoom, 1 + M_PI / 4, 1e-6);
}

TEST(QRCodeReaderTest, TheFirstObjectOfAWantedTypeReachesTheCompletion) {
    auto backend = std::make_shared<FakeBackend>();
    backend->add("back", CapturePosition::Back);
    QRCodeReader reader(backend, {"QRCode", "DataMatrix"});
    reader.captureOutput({{"EAN-13", "ignored", {}, {}}}); // no block yet, nothing to call
    QStringList texts;
    reader.setCompletionWithBlock([&](const QString &text) { texts << text; });
    reader.captureOutput(
        {{"EAN-13", "skipped", {}, {}}, {"DataMatrix", "first", {}, {}}, {"QRCode", "second", {}, {}}});
    reader.captureOutput({{"EAN-13", "none", {}, {}}});
    reader.captureOutput({{"QRCode", "again", {}, {}}});
    EXPECT_EQ(texts, (QStringList{"first", "again"}));
}

TEST(QRCodeReaderTest, FramesOfARunningSessionAreDecodedAndPreviewed) {
    auto backend = std::make_shared<FakeBackend>();
    backend->add("back", CapturePosition::Back);
    QRCodeReader reader(backend);
    QStringList texts;
    reader.setCompletionWithBlock([&](const QString &text) { texts << text; });
    const QImage frame = QRCodeGenerator(QStringLiteral("Tidewell,a,b,c,d")).getImage();

    reader.session()->deliverFrame(frame); // not running: dropped
    EXPECT_TRUE(texts.isEmpty());
    EXPECT_TRUE(reader.previewLayer()->frame().isNull());

    reader.startScanning();
    reader.session()->deliverFrame(frame);
    reader.session()->deliverFrame(QImage(64, 64, QImage::Format_RGB32)); // no code in it
    EXPECT_EQ(texts, QStringList{"Tidewell,a,b,c,d"});
    EXPECT_EQ(reader.previewLayer()->frame().size(), QSize(64, 64));

    // Another receiver replaces the reader as the output's delegate.
    int objects = 0;
    reader.setMetadataOutputDelegate(
        [&](const std::vector<MetadataObject> &found) { objects += int(found.size()); });
    reader.session()->deliverFrame(frame);
    EXPECT_EQ(objects, 1);
    EXPECT_EQ(texts.size(), 1);
}

class OrientationTest : public ::testing::TestWithParam<std::pair<int, QRCodeReader::VideoOrientation>> {};

TEST_P(OrientationTest, MapsInterfaceOrientation) {
    EXPECT_EQ(QRCodeReader::videoOrientationFromInterfaceOrientation(GetParam().first), GetParam().second);
}

using VO = QRCodeReader::VideoOrientation;
INSTANTIATE_TEST_SUITE_P(Values, OrientationTest,
                         ::testing::Values(std::pair{0, VO::PortraitUpsideDown}, std::pair{1, VO::Portrait},
                                           std::pair{2, VO::PortraitUpsideDown},
                                           std::pair{3, VO::LandscapeRight}, std::pair{4, VO::LandscapeLeft},
                                           std::pair{5, VO::PortraitUpsideDown},
                                           std::pair{-1, VO::PortraitUpsideDown}));

} // namespace
