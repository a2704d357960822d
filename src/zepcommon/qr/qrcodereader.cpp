#include "zepcommon/qr/qrcodereader.h"

#include <algorithm>
#include <cmath>

QRCodeReader::QRCodeReader(std::shared_ptr<CaptureBackend> backend)
    : QRCodeReader(std::move(backend), QStringList{QRCodeDecoder::qrCodeType}) {}

QRCodeReader::QRCodeReader(std::shared_ptr<CaptureBackend> backend, const QStringList &metadataObjectTypes)
    : m_backend(std::move(backend))
    , m_metadataObjectTypes(metadataObjectTypes) {
    setupAVComponents();
    configureDefaultComponents();
}

std::unique_ptr<QRCodeReader>
QRCodeReader::readerWithMetadataObjectTypes(std::shared_ptr<CaptureBackend> backend,
                                            const QStringList &types) {
    return std::make_unique<QRCodeReader>(std::move(backend), types);
}

QRCodeReader::~QRCodeReader() {
    if (m_session)
        m_session->stopRunning();
}

void QRCodeReader::setupAVComponents() {
    m_initialScale = 0;
    if (!m_backend)
        return;
    m_defaultDevice = m_backend->defaultVideoDevice();
    if (!m_defaultDevice)
        return;
    m_defaultDeviceInput = m_backend->makeInput(m_defaultDevice); // a failure leaves it empty
    m_metadataOutput = std::make_unique<MetadataOutput>();
    m_session = m_backend->makeSession();
    m_previewLayer = std::make_unique<VideoPreviewLayer>();
    if (m_session)
        m_session->setPreviewLayer(m_previewLayer.get());

    // The last front-facing camera wins.
    for (const auto &device : m_backend->videoDevices()) {
        if (device && device->position() == CapturePosition::Front)
            m_frontDevice = device;
    }
    if (m_frontDevice)
        m_frontDeviceInput = m_backend->makeInput(m_frontDevice);
}

void QRCodeReader::configureDefaultComponents() {
    if (!m_session)
        return;
    m_session->addOutput(m_metadataOutput.get());
    if (m_defaultDeviceInput)
        m_session->addInput(m_defaultDeviceInput);
    m_metadataOutput->setDelegate(
        [this](const std::vector<MetadataObject> &objects) { captureOutput(objects); });
    // Types the output cannot read are dropped here.
    m_metadataOutput->setMetadataObjectTypes(m_metadataObjectTypes);
    m_previewLayer->setVideoGravity(VideoPreviewLayer::VideoGravity::ResizeAspectFill);
}

void QRCodeReader::setMetadataOutputDelegate(MetadataOutput::Delegate delegate) {
    if (m_metadataOutput)
        m_metadataOutput->setDelegate(std::move(delegate));
}

void QRCodeReader::startScanning() {
    if (m_session && !m_session->isRunning())
        m_session->startRunning();
}

void QRCodeReader::stopScanning() {
    if (m_session && m_session->isRunning())
        m_session->stopRunning();
}

bool QRCodeReader::running() const {
    return m_session && m_session->isRunning();
}

void QRCodeReader::switchDeviceInput() {
    if (!m_frontDeviceInput || !m_session)
        return;
    m_session->beginConfiguration();
    std::shared_ptr<CaptureDeviceInput> current;
    if (!m_session->inputs().empty()) {
        current = m_session->inputs().front();
        m_session->removeInput(current);
    }
    const bool wasFront = current && current->device && current->device->position() == CapturePosition::Front;
    m_session->addInput(wasFront ? m_defaultDeviceInput : m_frontDeviceInput);
    m_session->commitConfiguration();
}

bool QRCodeReader::isTorchAvailable() const {
    return m_defaultDevice && m_defaultDevice->hasTorch();
}

void QRCodeReader::toggleTorch() {
    if (!m_defaultDevice || !m_defaultDevice->lockForConfiguration())
        return;
    m_defaultDevice->setTorchMode(m_defaultDevice->torchMode() == TorchMode::On ? TorchMode::Off
                                                                                : TorchMode::On);
    m_defaultDevice->unlockForConfiguration();
}

void QRCodeReader::handlePinch(Qt::GestureState state, double velocity) {
    if (!m_defaultDeviceInput || !m_defaultDeviceInput->device)
        return;
    CaptureDevice &device = *m_defaultDeviceInput->device;
    if (state == Qt::GestureStarted) {
        m_initialScale = device.videoZoomFactor();
        return;
    }
    if (state != Qt::GestureUpdated)
        return;
    const bool locked = device.lockForConfiguration(); // a failed lock is not fatal to zooming
    double zoom = device.videoZoomFactor() + std::atan2(static_cast<float>(velocity), 10.0f);
    m_initialScale = zoom;
    zoom = std::max(1.0, std::min(zoom, device.maxVideoZoomFactor()));
    device.setVideoZoomFactor(zoom);
    if (locked)
        device.unlockForConfiguration();
}

void QRCodeReader::captureOutput(const std::vector<MetadataObject> &objects) {
    for (const MetadataObject &object : objects) {
        if (!m_metadataObjectTypes.contains(object.type))
            continue;
        if (m_completionBlock)
            m_completionBlock(object.stringValue);
        return;
    }
}

bool QRCodeReader::isAvailable(CaptureBackend &backend) {
    const auto device = backend.defaultVideoDevice();
    return device && backend.makeInput(device);
}

bool QRCodeReader::supportsMetadataObjectTypes(CaptureBackend &backend, const QStringList &types) {
    if (!isAvailable(backend))
        return false;
    const QStringList wanted = types.isEmpty() ? QStringList{QRCodeDecoder::qrCodeType} : types;
    const QStringList available = MetadataOutput().availableMetadataObjectTypes();
    return std::all_of(wanted.begin(), wanted.end(),
                       [&](const QString &type) { return available.contains(type); });
}

QRCodeReader::VideoOrientation
QRCodeReader::videoOrientationFromInterfaceOrientation(int interfaceOrientation) {
    switch (interfaceOrientation) {
    case 1:
        return VideoOrientation::Portrait;
    case 3:
        return VideoOrientation::LandscapeRight;
    case 4:
        return VideoOrientation::LandscapeLeft;
    default:
        return VideoOrientation::PortraitUpsideDown;
    }
}
