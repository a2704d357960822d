// The QR payload parser: a QR code made from the input's text, with modules flipped where the
// input says, drawn as a picture and read back. Damaged codes reach the reader's error correction
// and the parsing of whatever payload it recovers; an undamaged code must read back as its text.
// Every text read, and the input's own text, goes through the sign-in payload parser: what it
// accepts must encode to a text it reads back the same.
#include "zepcommon/account/qrpayload.h"
#include "zepcommon/qr/qrcodedecoder.h"

#include <qrencode.h>

#include <QImage>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

void checkPayload(const QString &text) {
    const std::optional<account::QrSignInPayload> payload = account::QrSignInPayload::parse(text);
    if (!payload)
        return;
    const std::optional<account::QrSignInPayload> again = account::QrSignInPayload::parse(payload->encode());
    if (!again || again->userId != payload->userId || again->sessionId != payload->sessionId ||
        again->email != payload->email || again->externalAccount != payload->externalAccount)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2)
        return 0;
    const QRecLevel level = QRecLevel(data[0] % 4);
    const size_t length = std::min<size_t>(data[1], size - 2);
    const std::string text(reinterpret_cast<const char *>(data) + 2, length);
    checkPayload(QString::fromLatin1(text.data(), qsizetype(text.size())));
    const uint8_t *flips = data + 2 + length;
    const size_t flipCount = (size - 2 - length) / 2;

    const std::unique_ptr<QRcode, void (*)(QRcode *)> code(
        QRcode_encodeData(int(text.size()), reinterpret_cast<const unsigned char *>(text.data()), 0, level),
        &QRcode_free);
    if (!code)
        return 0; // empty or too long for a QR code
    const int width = code->width;
    std::string modules(reinterpret_cast<const char *>(code->data), size_t(width) * size_t(width));
    for (size_t i = 0; i < flipCount; ++i) {
        const size_t at = (size_t(flips[2 * i]) << 8 | flips[2 * i + 1]) % modules.size();
        modules[at] ^= 1;
    }

    // Three pixels a module and a quiet zone of four modules, black on white.
    const int scale = 3, quiet = 4, side = (width + 2 * quiet) * scale;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < width; ++x)
            if (modules[size_t(y) * size_t(width) + size_t(x)] & 1)
                for (int dy = 0; dy < scale; ++dy)
                    std::fill_n(image.scanLine((y + quiet) * scale + dy) + (x + quiet) * scale, scale,
                                uchar(0));

    const std::vector<MetadataObject> found = QRCodeDecoder::decode(image);
    for (const MetadataObject &object : found)
        checkPayload(object.stringValue);
    if (flipCount == 0 && (found.size() != 1 || found.front().bytes.toStdString() != text))
        std::abort();
    return 0;
}
