#include "thumbnails/compactpng.h"

#include <QBuffer>
#include <QImageWriter>
#include <libimagequant.h>

#include <memory>
#include <vector>

namespace thumbnails {
namespace {

QByteArray encodePng(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(image))
        return {};
    return bytes;
}

struct LiqAttrFree {
    void operator()(liq_attr *attr) const { liq_attr_destroy(attr); }
};
struct LiqImageFree {
    void operator()(liq_image *image) const { liq_image_destroy(image); }
};
struct LiqResultFree {
    void operator()(liq_result *result) const { liq_result_destroy(result); }
};

QImage quantised(const QImage &source) {
    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    std::unique_ptr<liq_attr, LiqAttrFree> attr(liq_attr_create());
    if (!attr || liq_set_speed(attr.get(), 8) != LIQ_OK || liq_set_quality(attr.get(), 0, 80) != LIQ_OK)
        return {};
    // The rows are borrowed; rgba outlives every use below.
    std::vector<const unsigned char *> rows(size_t(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y)
        rows[size_t(y)] = rgba.constScanLine(y);
    std::unique_ptr<liq_image, LiqImageFree> image(liq_image_create_rgba_rows(
        attr.get(), reinterpret_cast<void **>(const_cast<unsigned char **>(rows.data())), rgba.width(),
        rgba.height(), 0));
    if (!image)
        return {};
    liq_result *rawResult = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK)
        return {};
    std::unique_ptr<liq_result, LiqResultFree> result(rawResult);
    if (liq_set_dithering_level(result.get(), 0.3f) != LIQ_OK)
        return {};

    QImage indexed(rgba.width(), rgba.height(), QImage::Format_Indexed8);
    std::vector<unsigned char *> outRows(size_t(indexed.height()));
    for (int y = 0; y < indexed.height(); ++y)
        outRows[size_t(y)] = indexed.scanLine(y);
    if (liq_write_remapped_image_rows(result.get(), image.get(), outRows.data()) != LIQ_OK)
        return {};
    const liq_palette *palette = liq_get_palette(result.get());
    if (!palette)
        return {};
    QList<QRgb> table;
    table.reserve(int(palette->count));
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color &c = palette->entries[i];
        table << qRgba(c.r, c.g, c.b, c.a);
    }
    indexed.setColorTable(table);
    return indexed;
}

} // namespace

QByteArray compactPng(const QImage &image) {
    if (image.isNull())
        return {};
    const QImage small = quantised(image);
    return encodePng(small.isNull() ? image : small);
}

} // namespace thumbnails
