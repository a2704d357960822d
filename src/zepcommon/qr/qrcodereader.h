#pragma once

#include "zepcommon/qr/capture.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Reads codes through a camera: owns a capture session with a preview and a metadata output,
// switches between the back and the front camera, toggles the torch and zooms by pinch. The first
// code of a wanted type in a frame goes to the completion block; scanning goes on afterwards, so
// the block may be called again for later frames.
//
// Without a camera (the backend has no default device) every capture field stays empty and
// start, stop, switch, torch and zoom do nothing. GUI thread only; the completion block runs there.
class QRCodeReader {
public:
    using CompletionBlock = std::function<void(const QString &text)>;
    // Video orientations, numbered as the interface orientations they follow.
    enum class VideoOrientation {
        Portrait = 1,
        PortraitUpsideDown = 2,
        LandscapeRight = 3,
        LandscapeLeft = 4
    };

    // Reads QR codes alone.
    explicit QRCodeReader(std::shared_ptr<CaptureBackend> backend);
    QRCodeReader(std::shared_ptr<CaptureBackend> backend, const QStringList &metadataObjectTypes);
    static std::unique_ptr<QRCodeReader>
    readerWithMetadataObjectTypes(std::shared_ptr<CaptureBackend> backend, const QStringList &types);
    ~QRCodeReader();
    QRCodeReader(const QRCodeReader &) = delete;
    QRCodeReader &operator=(const QRCodeReader &) = delete;

    double initialScale() const { return m_initialScale; }
    QStringList metadataObjectTypes() const { return m_metadataObjectTypes; }
    VideoPreviewLayer *previewLayer() const { return m_previewLayer.get(); }
    std::shared_ptr<CaptureDeviceInput> defaultDeviceInput() const { return m_defaultDeviceInput; }
    std::shared_ptr<CaptureDeviceInput> frontDeviceInput() const { return m_frontDeviceInput; }
    MetadataOutput *metadataOutput() const { return m_metadataOutput.get(); }
    std::shared_ptr<CaptureDevice> defaultDevice() const { return m_defaultDevice; }
    std::shared_ptr<CaptureDevice> frontDevice() const { return m_frontDevice; }
    CaptureSession *session() const { return m_session.get(); }
    const CompletionBlock &completionBlock() const { return m_completionBlock; }

    void setCompletionWithBlock(CompletionBlock block) { m_completionBlock = std::move(block); }
    // Replaces the output's receiver of decoded objects (by default this reader).
    void setMetadataOutputDelegate(MetadataOutput::Delegate delegate);

    void startScanning();
    void stopScanning();
    bool running() const;

    // Swaps the session's input between the back and the front camera (only with a front camera).
    void switchDeviceInput();
    bool hasFrontDevice() const { return static_cast<bool>(m_frontDevice); }
    bool isTorchAvailable() const;
    void toggleTorch();

    // Pinch zoom on the default camera. `velocity` is the pinch's scale change per second;
    // started remembers the zoom, updated moves it by atan2(velocity, 10) within [1, maximum].
    void handlePinch(Qt::GestureState state, double velocity);

    // The metadata output's delegate: hands the first object of a wanted type to the completion.
    void captureOutput(const std::vector<MetadataObject> &objects);

    static bool isAvailable(CaptureBackend &backend);
    // True when every type can be read; an empty list means the QR code type alone.
    static bool supportsMetadataObjectTypes(CaptureBackend &backend, const QStringList &types);
    static VideoOrientation videoOrientationFromInterfaceOrientation(int interfaceOrientation);

private:
    void setupAVComponents();
    void configureDefaultComponents();

    std::shared_ptr<CaptureBackend> m_backend;
    double m_initialScale = 0;
    QStringList m_metadataObjectTypes;
    std::unique_ptr<VideoPreviewLayer> m_previewLayer;
    std::shared_ptr<CaptureDeviceInput> m_defaultDeviceInput;
    std::shared_ptr<CaptureDeviceInput> m_frontDeviceInput;
    std::unique_ptr<MetadataOutput> m_metadataOutput;
    std::shared_ptr<CaptureDevice> m_defaultDevice;
    std::shared_ptr<CaptureDevice> m_frontDevice;
    std::unique_ptr<CaptureSession> m_session;
    CompletionBlock m_completionBlock;
};
