#include "zepcommon/qr/qrcodedecoder.h"

#include "platform/log.h"

#include <QImageReader>
#include <ZXing/BarcodeFormat.h>
#include <ZXing/ReadBarcode.h>

const QString QRCodeDecoder::qrCodeType = QStringLiteral("QRCode");

namespace {

const std::vector<ZXing::BarcodeFormat> &allFormats() {
    using F = ZXing::BarcodeFormat;
    static const std::vector<F> formats = {
        F::Aztec,           F::Codabar,    F::Code39, F::Code93, F::Code128,    F::DataBar,
        F::DataBarExpanded, F::DataMatrix, F::EAN8,   F::EAN13,  F::ITF,        F::MaxiCode,
        F::PDF417,          F::QRCode,     F::UPCA,   F::UPCE,   F::MicroQRCode};
    return formats;
}

QString typeName(ZXing::BarcodeFormat format) {
    return QString::fromUtf8(ZXing::ToString(format));
}

ZXing::BarcodeFormats formatsFor(const QStringList &types) {
    const QStringList wanted = types.isEmpty() ? QStringList{QRCodeDecoder::qrCodeType} : types;
    ZXing::BarcodeFormats formats;
    for (ZXing::BarcodeFormat format : allFormats()) {
        if (wanted.contains(typeName(format)))
            formats |= format;
    }
    return formats;
}

} // namespace

QStringList QRCodeDecoder::availableTypes() {
    QStringList types;
    for (ZXing::BarcodeFormat format : allFormats())
        types << typeName(format);
    return types;
}

std::vector<MetadataObject> QRCodeDecoder::decode(const QImage &image, const QStringList &types) {
    const ZXing::BarcodeFormats formats = formatsFor(types);
    if (image.isNull() || formats.empty())
        return {};
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                                static_cast<int>(gray.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(formats);
    hints.setTryHarder(true);
    hints.setTryRotate(true);

    std::vector<MetadataObject> objects;
    for (const ZXing::Result &result : ZXing::ReadBarcodes(view, hints)) {
        if (!result.isValid())
            continue;
        const ZXing::ByteArray &raw = result.bytes();
        objects.push_back(
            {typeName(result.format()), QString::fromStdString(result.text()),
             QByteArray(reinterpret_cast<const char *>(raw.data()), static_cast<qsizetype>(raw.size())),
             QString::fromStdString(result.ecLevel())});
    }
    return objects;
}

std::vector<MetadataObject> QRCodeDecoder::decodeFile(const QString &path, const QStringList &types) {
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        platform::log(QStringLiteral("Cannot read image %1: %2").arg(path, reader.errorString()));
        return {};
    }
    return decode(image, types);
}
