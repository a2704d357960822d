#pragma once

#include "ui/screencontroller.h"

#include <QFutureWatcher>
#include <QImage>
#include <QSize>
#include <QString>

class QThreadPool;

namespace browser {

// A picture decoded for display and the size of the file's own pixels (after orientation).
struct DecodedPicture {
    QImage image;
    QSize originalSize;
};

// Decodes a picture file for the viewer: orientation applied, scaled down (aspect kept) so that
// the decoded pixels need at most maxBytes. A null image when the file cannot be read or is no
// picture. Safe to call from any thread.
DecodedPicture decodePictureForDisplay(const QString &path, qint64 maxBytes);

// The full-screen picture viewer. It decodes its file on a thread pool once its view loads and
// hands the picture (or a short message when there is none) to the view on the GUI thread, so a
// large photo never stalls the window. Close asks to be dismissed; share asks the host for the
// share menu (shareRequested). GUI thread only; the pool must outlive the controller.
class ImageViewerController : public ui::ScreenController {
    Q_OBJECT
public:
    enum class State { Loading, Shown, Failed };
    // A decoded picture never needs more than this: larger ones are scaled down for display.
    static constexpr qint64 maximumImageBytes = 64 * 1024 * 1024;

    // The pool defaults to the global one.
    explicit ImageViewerController(QString path, QThreadPool *pool = nullptr, QObject *parent = nullptr);
    ~ImageViewerController() override;

    QString path() const { return m_path; }
    State state() const { return m_state; }
    // The picture once shown, else null.
    QImage image() const { return m_image; }
    // The file's own size in pixels; the image may be smaller (see maximumImageBytes).
    QSize originalSize() const { return m_originalSize; }
    // What to show instead of a picture that cannot be decoded; empty otherwise.
    QString message() const { return m_message; }
    // The panel that starts hidden; the view shows or hides it as this says.
    bool isHiddenPanelHidden() const { return m_hiddenPanelHidden; }

    // Hides the hidden panel and starts decoding.
    void viewDidLoad() override;

    void close();
    // Asks for the share menu (shareRequested) once the picture shows; nothing before or on failure.
    void share();

signals:
    // The state left Loading: the picture or the message is there.
    void imageChanged();
    void hiddenPanelHiddenChanged(bool hidden);
    void shareRequested(const QString &path);

private:
    void finishDecoding();

    QString m_path;
    QThreadPool *m_pool;
    QFutureWatcher<DecodedPicture> m_watcher;
    State m_state = State::Loading;
    QImage m_image;
    QSize m_originalSize;
    QString m_message;
    bool m_hiddenPanelHidden = false;
};

} // namespace browser
