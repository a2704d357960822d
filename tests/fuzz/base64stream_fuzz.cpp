// The Base64 stream decoder. Properties: the result does not depend on how the text is split;
// bytes encoded by Qt come back whole; accepted text decodes as Qt decodes it.
#include "transfer/base64stream.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool decode(std::string_view text, size_t chunk, bool spaceAsPlus, std::string &out) {
    transfer::Base64StreamDecoder decoder(spaceAsPlus);
    for (size_t at = 0; at < text.size(); at += chunk)
        decoder.feed(text.data() + at, std::min(chunk, text.size() - at), out);
    return decoder.finish(out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const size_t chunk = size_t(data[0] % 5) + 1;
    const bool spaceAsPlus = data[0] & 0x80;
    const std::string_view text(reinterpret_cast<const char *>(data) + 1, size - 1);

    std::string whole, split;
    const bool wholeOk = decode(text, text.size() + 1, spaceAsPlus, whole);
    const bool splitOk = decode(text, chunk, spaceAsPlus, split);
    if (wholeOk != splitOk || (wholeOk && whole != split))
        std::abort();
    if (wholeOk && !spaceAsPlus) {
        const auto reference = QByteArray::fromBase64Encoding(QByteArray(text.data(), qsizetype(text.size())),
                                                              QByteArray::AbortOnBase64DecodingErrors);
        const bool onlyAlphabet =
            text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") ==
            std::string_view::npos;
        if (onlyAlphabet && reference && reference.decoded.toStdString() != whole)
            std::abort();
    }

    const QByteArray encoded = QByteArray(text.data(), qsizetype(text.size())).toBase64();
    std::string back;
    if (!decode(std::string_view(encoded.constData(), size_t(encoded.size())), chunk, false, back) ||
        back != text)
        std::abort();
    return 0;
}
