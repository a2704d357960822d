#pragma once

#include "zepcommon/qr/qrcodedecoder.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// The camera capture model the QR reader is written against: devices, inputs made for them, a
// session that runs one input into a metadata output and a preview. The real cameras come from
// Qt Multimedia (QtCaptureBackend); tests supply their own devices. All of it is used on the GUI
// thread only.

enum class CapturePosition { Unspecified, Back, Front };
enum class TorchMode { Off, On, Auto };

// One camera.
class CaptureDevice {
public:
    virtual ~CaptureDevice() = default;
    virtual QString uniqueId() const = 0;
    virtual CapturePosition position() const = 0;
    virtual bool hasTorch() const = 0;
    virtual TorchMode torchMode() const = 0;
    virtual void setTorchMode(TorchMode mode) = 0;
    virtual double videoZoomFactor() const = 0;
    virtual void setVideoZoomFactor(double factor) = 0;
    // The largest zoom factor of the active format (1 when the camera cannot zoom).
    virtual double maxVideoZoomFactor() const = 0;
    // Torch and zoom changes are made between a successful lock and the unlock.
    virtual bool lockForConfiguration() = 0;
    virtual void unlockForConfiguration() = 0;
};

// A camera made ready to feed a session.
struct CaptureDeviceInput {
    std::shared_ptr<CaptureDevice> device;
};

// Decodes frames into metadata objects of the chosen types and hands them to its delegate.
class MetadataOutput {
public:
    using Delegate = std::function<void(const std::vector<MetadataObject> &objects)>;

    QStringList availableMetadataObjectTypes() const { return QRCodeDecoder::availableTypes(); }
    QStringList metadataObjectTypes() const { return m_types; }
    // Keeps only the available types, in the given order.
    void setMetadataObjectTypes(const QStringList &types);
    void setDelegate(Delegate delegate) { m_delegate = std::move(delegate); }
    bool hasDelegate() const { return static_cast<bool>(m_delegate); }
    // Decodes one frame; the delegate hears of it only when something of the chosen types was found.
    void processFrame(const QImage &frame);

private:
    QStringList m_types;
    Delegate m_delegate;
};

// The latest frame of a running session, shown by the reader's view.
class VideoPreviewLayer : public QObject {
    Q_OBJECT
public:
    enum class VideoGravity { Resize, ResizeAspect, ResizeAspectFill };

    VideoGravity videoGravity() const { return m_gravity; }
    void setVideoGravity(VideoGravity gravity) { m_gravity = gravity; }
    QImage frame() const { return m_frame; }
    void setFrame(const QImage &frame);

signals:
    void frameChanged();

private:
    VideoGravity m_gravity = VideoGravity::ResizeAspect;
    QImage m_frame;
};

// Runs the first of its inputs into its output and preview while running. Backends override the
// two hooks to drive a real camera.
class CaptureSession {
public:
    virtual ~CaptureSession() = default;

    const std::vector<std::shared_ptr<CaptureDeviceInput>> &inputs() const { return m_inputs; }
    void addInput(std::shared_ptr<CaptureDeviceInput> input);
    void removeInput(const std::shared_ptr<CaptureDeviceInput> &input);
    void addOutput(MetadataOutput *output) { m_output = output; }
    MetadataOutput *output() const { return m_output; }
    void setPreviewLayer(VideoPreviewLayer *layer) { m_preview = layer; }

    // Changes between begin and commit take effect together at the commit.
    void beginConfiguration() { ++m_configurationDepth; }
    void commitConfiguration();

    void startRunning();
    void stopRunning();
    bool isRunning() const { return m_running; }

    // A frame from the camera: shown in the preview and decoded by the output.
    void deliverFrame(const QImage &frame);

protected:
    // The inputs changed (outside a configuration block, or at its commit).
    virtual void applyInputs() {}
    virtual void setActive(bool active) { Q_UNUSED(active); }

private:
    void inputsChanged();

    std::vector<std::shared_ptr<CaptureDeviceInput>> m_inputs;
    MetadataOutput *m_output = nullptr;
    VideoPreviewLayer *m_preview = nullptr;
    int m_configurationDepth = 0;
    bool m_pendingChange = false;
    bool m_running = false;
};

// Where cameras come from.
class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;
    // nullptr when the machine has no camera.
    virtual std::shared_ptr<CaptureDevice> defaultVideoDevice() = 0;
    virtual std::vector<std::shared_ptr<CaptureDevice>> videoDevices() = 0;
    // nullptr when the camera cannot be opened.
    virtual std::shared_ptr<CaptureDeviceInput> makeInput(const std::shared_ptr<CaptureDevice> &device) = 0;
    virtual std::unique_ptr<CaptureSession> makeSession() = 0;
};
