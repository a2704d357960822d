// Form decoding, percent decoding and query splitting. Properties: the streaming form decoder
// gives the same pairs, streamed bytes and raw bytes however the body is split, and a raw value
// stops at its '&'; encoding then decoding a component gives it back.
#include "http/urlencoding.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

struct Decoded {
    http::Pairs pairs;
    std::string streamed;
    std::string raw;
    bool ok = false;
    http::FormStreamDecoder::Status status{};
};

Decoded decode(std::string_view body, size_t chunk) {
    Decoded out;
    http::FormStreamDecoder decoder(
        [](const std::string &key) {
            if (key == "content")
                return http::FormStreamDecoder::Disposition::Stream;
            if (key == "skip")
                return http::FormStreamDecoder::Disposition::Discard;
            if (key == "raw")
                return http::FormStreamDecoder::Disposition::Raw;
            return http::FormStreamDecoder::Disposition::Buffer;
        },
        [&out, body](const char *data, size_t size) {
            // One sink serves both: a raw value's bytes are handed over where the body holds them.
            const std::less<const char *> before;
            const bool inBody = !before(data, body.data()) && before(data, body.data() + body.size());
            (inBody ? out.raw : out.streamed).append(data, size);
            return true;
        },
        64);
    bool ok = true;
    for (size_t at = 0; at < body.size() && ok; at += chunk)
        ok = decoder.feed(body.data() + at, std::min(chunk, body.size() - at));
    out.ok = ok && decoder.finish();
    out.pairs = decoder.pairs();
    out.status = decoder.status();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const size_t chunk = size_t(data[0] % 7) + 1;
    const std::string_view text(reinterpret_cast<const char *>(data) + 1, size - 1);

    const http::Pairs pairs = http::parseUrlEncoded(text);
    for (const auto &[key, value] : pairs)
        if (key.size() > text.size() || value.size() > text.size())
            std::abort(); // decoding never grows a text
    (void)http::percentDecode(text, true);
    (void)http::percentDecode(text, false);
    size_t pieces = 0;
    http::forEachPiece(text, '&', [&pieces](std::string_view) { return ++pieces < 100000; });

    if (http::decodeComponent(http::encodeComponent(text)) != text)
        std::abort();

    const Decoded whole = decode(text, text.size() + 1);
    const Decoded split = decode(text, chunk);
    if (whole.ok != split.ok || whole.status != split.status || whole.pairs != split.pairs ||
        whole.streamed != split.streamed || whole.raw != split.raw ||
        whole.raw.find('&') != std::string::npos)
        std::abort();
    return 0;
}
