#include "browser/viewers/imageviewercontroller.h"

#include "platform/log.h"
#include "thumbnails/imagedecoder.h"

#include <QFileInfo>
#include <QImageReader>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace browser {

namespace {
constexpr qint64 bytesPerPixel = 4;

// The long side that keeps a picture of the given size within maxBytes once decoded.
int longSideWithin(QSize size, qint64 maxBytes) {
    const qint64 maxPixels = maxBytes / bytesPerPixel;
    const int longSide = std::max(size.width(), size.height());
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels <= maxPixels)
        return longSide;
    const double scale = std::sqrt(double(maxPixels) / double(pixels));
    return std::max(1, int(std::floor(longSide * scale)));
}
} // namespace

DecodedPicture decodePictureForDisplay(const QString &path, qint64 maxBytes) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        size.transpose();
    // Without a size from the header (HEIC is read through libheif) a square within the budget
    // bounds the long side.
    const int longSide = size.isValid() ? longSideWithin(size, maxBytes)
                                        : int(std::floor(std::sqrt(double(maxBytes / bytesPerPixel))));
    DecodedPicture picture;
    picture.image = thumbnails::decodeImage(path, longSide);
    if (picture.image.isNull())
        return {};
    // A decoder that ignores the scaled size still leaves us within the budget.
    if (qint64(picture.image.width()) * picture.image.height() * bytesPerPixel > maxBytes) {
        const QSize within = picture.image.size().scaled(longSide, longSide, Qt::KeepAspectRatio);
        picture.image = picture.image.scaled(within, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    picture.originalSize = size.isValid() ? size : picture.image.size();
    return picture;
}

ImageViewerController::ImageViewerController(QString path, QThreadPool *pool, QObject *parent)
    : ScreenController(parent)
    , m_path(std::move(path))
    , m_pool(pool ? pool : QThreadPool::globalInstance()) {
    setTitle(QFileInfo(m_path).fileName());
    connect(&m_watcher, &QFutureWatcher<DecodedPicture>::finished, this,
            &ImageViewerController::finishDecoding);
}

ImageViewerController::~ImageViewerController() {
    // The decode may still run; its result is dropped with the future.
    m_watcher.disconnect(this);
}

void ImageViewerController::viewDidLoad() {
    m_hiddenPanelHidden = true;
    emit hiddenPanelHiddenChanged(true);
    const QString path = m_path;
    m_watcher.setFuture(
        QtConcurrent::run(m_pool, [path] { return decodePictureForDisplay(path, maximumImageBytes); }));
}

void ImageViewerController::finishDecoding() {
    const DecodedPicture picture = m_watcher.future().result();
    if (picture.image.isNull()) {
        platform::log(QStringLiteral("Image viewer: cannot decode %1").arg(m_path));
        m_state = State::Failed;
        m_message = tr("This picture cannot be shown.");
    } else {
        m_state = State::Shown;
        m_image = picture.image;
        m_originalSize = picture.originalSize;
    }
    emit imageChanged();
}

void ImageViewerController::close() {
    dismiss();
}

void ImageViewerController::share() {
    // Only a picture that shows can be shared from the viewer.
    if (m_state != State::Shown)
        return;
    emit shareRequested(m_path);
}

} // namespace browser
