#include "thumbnails/imagedecoder.h"

#include <QFile>
#include <QImageReader>
#include <libheif/heif.h>

#include <memory>

namespace thumbnails {
namespace {

bool looksLikeHeif(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    if (head.size() < 12)
        return false;
    const heif_filetype_result type =
        heif_check_filetype(reinterpret_cast<const uint8_t *>(head.constData()), int(head.size()));
    return type == heif_filetype_yes_supported || type == heif_filetype_maybe;
}

// Palette and one-bit pictures are scaled in full colour: scaling keeps a picture's format, and a
// one-bit picture scaled smoothly comes back dithered to black and white whatever its palette.
QImage scaledToFit(const QImage &image, int maxSide) {
    if (image.isNull() || (image.width() <= maxSide && image.height() <= maxSide))
        return image;
    const bool indexed = image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB ||
                         image.format() == QImage::Format_Indexed8;
    const QImage source = indexed ? image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                                  : QImage::Format_RGB32)
                                  : image;
    return source.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage decodeHeif(const QString &path, int maxSide) {
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                        &heif_context_free);
    if (!context)
        return {};
    if (heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(), nullptr).code !=
        heif_error_Ok)
        return {};
    heif_image_handle *primaryRaw = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primaryRaw).code != heif_error_Ok)
        return {};
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> primary(
        primaryRaw, &heif_image_handle_release);

    // An embedded thumbnail at least as large as asked for saves decoding the full picture.
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> chosen(
        nullptr, &heif_image_handle_release);
    heif_item_id ids[8];
    const int count = heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), ids, 8);
    for (int i = 0; i < count; ++i) {
        heif_image_handle *thumb = nullptr;
        if (heif_image_handle_get_thumbnail(primary.get(), ids[i], &thumb).code != heif_error_Ok)
            continue;
        if (std::max(heif_image_handle_get_width(thumb), heif_image_handle_get_height(thumb)) >= maxSide) {
            chosen.reset(thumb);
            break;
        }
        heif_image_handle_release(thumb);
    }
    heif_image_handle *handle = chosen ? chosen.get() : primary.get();

    heif_image *imageRaw = nullptr;
    if (heif_decode_image(handle, &imageRaw, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr)
            .code != heif_error_Ok)
        return {};
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(imageRaw, &heif_image_release);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || width <= 0 || height <= 0)
        return {};
    // The QImage only borrows the plane: scale (or copy) before the heif image is released.
    const QImage borrowed(plane, width, height, stride, QImage::Format_RGBA8888);
    const QImage result = scaledToFit(borrowed, maxSide);
    return result.bits() == borrowed.bits() ? borrowed.copy() : result;
}

} // namespace

QImage decodeImage(const QString &path, int maxSide) {
    if (looksLikeHeif(path))
        return decodeHeif(path, maxSide);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > maxSide || size.height() > maxSide) && reader.format() == "jpeg") {
        // JPEG decodes straight at a smaller size. Other readers that take a scaled size only scale
        // after decoding, in the picture's own format (see scaledToFit): they are scaled below.
        reader.setScaledSize(size.scaled(maxSide, maxSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    return scaledToFit(image, maxSide);
}

bool isDecodableImage(const QString &path) {
    if (looksLikeHeif(path))
        return true;
    QImageReader reader(path);
    return reader.canRead();
}

} // namespace thumbnails
