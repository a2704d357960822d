#include "thumbnails/generator.h"

#include "thumbnails/imagedecoder.h"
#include "thumbnails/pdfthumbnail.h"
#include "thumbnails/videoframe.h"

#include <QFileInfo>
#include <QStringList>

namespace thumbnails {

SourceKind sourceKindFor(const QString &path) {
    static const QStringList images = {"png", "jpg", "jpeg", "heic"};
    static const QStringList videos = {"mp4", "mov", "avi"};
    const QString extension = QFileInfo(path).suffix().toLower();
    if (images.contains(extension))
        return SourceKind::Image;
    if (extension == QLatin1String("pdf"))
        return SourceKind::Pdf;
    if (videos.contains(extension))
        return SourceKind::Video;
    return isDecodableImage(path) ? SourceKind::Image : SourceKind::None;
}

QImage makeThumbnail(const QString &path, int maxSide) {
    if (maxSide <= 0)
        return {};
    switch (sourceKindFor(path)) {
    case SourceKind::Image:
        return decodeImage(path, maxSide);
    case SourceKind::Pdf:
        return renderPdfFirstPage(path, maxSide);
    case SourceKind::Video:
        return decodeVideoFrame(path, maxSide);
    case SourceKind::None:
        break;
    }
    return {};
}

} // namespace thumbnails
