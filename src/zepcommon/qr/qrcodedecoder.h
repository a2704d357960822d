#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

// One code found in a picture. `type` is a metadata type name (qrCodeType, "DataMatrix", ...).
struct MetadataObject {
    QString type;
    QString stringValue;     // the text, decoded from the code's bytes by its character set
    QByteArray bytes;        // the raw message bytes
    QString errorCorrection; // the level for codes that have one ("L", "M", "Q", "H"), else empty
};

// Finds codes in pictures with zxing-cpp. Thread-safe (no state beyond the type list).
class QRCodeDecoder {
public:
    static const QString qrCodeType; // "QRCode"

    // Every metadata type the decoder can read.
    static QStringList availableTypes();

    // Codes of the given types in the image, in the order the decoder reports them. Types the
    // decoder cannot read are ignored; an empty list means the QR code type alone.
    static std::vector<MetadataObject> decode(const QImage &image, const QStringList &types = {});
    // The same for an image file; empty when the file cannot be read as an image.
    static std::vector<MetadataObject> decodeFile(const QString &path, const QStringList &types = {});
};
