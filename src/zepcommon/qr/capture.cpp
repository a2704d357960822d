#include "zepcommon/qr/capture.h"

#include <algorithm>

void MetadataOutput::setMetadataObjectTypes(const QStringList &types) {
    const QStringList available = availableMetadataObjectTypes();
    m_types.clear();
    for (const QString &type : types) {
        if (available.contains(type) && !m_types.contains(type))
            m_types << type;
    }
}

void MetadataOutput::processFrame(const QImage &frame) {
    if (!m_delegate || m_types.isEmpty())
        return;
    const std::vector<MetadataObject> objects = QRCodeDecoder::decode(frame, m_types);
    if (!objects.empty())
        m_delegate(objects);
}

void VideoPreviewLayer::setFrame(const QImage &frame) {
    m_frame = frame;
    emit frameChanged();
}

void CaptureSession::addInput(std::shared_ptr<CaptureDeviceInput> input) {
    if (!input)
        return;
    m_inputs.push_back(std::move(input));
    inputsChanged();
}

void CaptureSession::removeInput(const std::shared_ptr<CaptureDeviceInput> &input) {
    const auto it = std::find(m_inputs.begin(), m_inputs.end(), input);
    if (it == m_inputs.end())
        return;
    m_inputs.erase(it);
    inputsChanged();
}

void CaptureSession::inputsChanged() {
    if (m_configurationDepth > 0) {
        m_pendingChange = true;
        return;
    }
    applyInputs();
}

void CaptureSession::commitConfiguration() {
    if (m_configurationDepth == 0)
        return;
    if (--m_configurationDepth == 0 && m_pendingChange) {
        m_pendingChange = false;
        applyInputs();
    }
}

void CaptureSession::startRunning() {
    if (m_running)
        return;
    m_running = true;
    setActive(true);
}

void CaptureSession::stopRunning() {
    if (!m_running)
        return;
    m_running = false;
    setActive(false);
}

void CaptureSession::deliverFrame(const QImage &frame) {
    if (!m_running)
        return;
    if (m_preview)
        m_preview->setFrame(frame);
    if (m_output)
        m_output->processFrame(frame);
}
