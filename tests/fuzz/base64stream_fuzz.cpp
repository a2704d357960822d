// The Base64 stream decoder and the one-pass decoder of a form's percent-encoded Base64.
// Properties: the result does not depend on how the text is split; bytes encoded by Qt come back
// whole; accepted text decodes as Qt decodes it; the one-pass decoder gives what percent decoding
// followed by the stream decoder gives, accepting and refusing the same texts.
#include "http/urlencoding.h"
#include "transfer/base64stream.h"
#include "transfer/formbase64decoder.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

bool decode(std::string_view text, size_t chunk, bool spaceAsPlus, std::string &out) {
    transfer::Base64StreamDecoder decoder(spaceAsPlus);
    for (size_t at = 0; at < text.size(); at += chunk)
        decoder.feed(text.data() + at, std::min(chunk, text.size() - at), out);
    return decoder.finish(out);
}

std::optional<std::string> decodeForm(std::string_view text, size_t chunk, bool spaceAsPlus) {
    std::string out;
    transfer::FormBase64Decoder decoder(spaceAsPlus, [&out](const char *data, size_t size) {
        out.append(data, size);
        return true;
    });
    for (size_t at = 0; at < text.size(); at += chunk)
        decoder.feed(text.data() + at, std::min(chunk, text.size() - at));
    if (!decoder.finish())
        return std::nullopt;
    return out;
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

    std::string reference;
    const std::optional<std::string> expected =
        decode(http::percentDecode(text, true), text.size() + 1, spaceAsPlus, reference)
            ? std::optional<std::string>(reference)
            : std::nullopt;
    if (decodeForm(text, text.size() + 1, spaceAsPlus) != expected ||
        decodeForm(text, chunk, spaceAsPlus) != expected ||
        decodeForm(text, std::max<size_t>(1, text.size() / 2), spaceAsPlus) != expected)
        std::abort();

    const QByteArray encoded = QByteArray(text.data(), qsizetype(text.size())).toBase64();
    std::string back;
    if (!decode(std::string_view(encoded.constData(), size_t(encoded.size())), chunk, false, back) ||
        back != text)
        std::abort();
    return 0;
}
