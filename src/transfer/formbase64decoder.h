#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace transfer {

// Decodes a form value that holds Base64 as it stands in an URL-encoded body, still
// percent-encoded ("QUJD%2BRA%3D"), reading the body once: each slice of a piece is percent-decoded
// into a small buffer that stays in the cache and Base64-decoded from there. The result is what
// percent-decoding the value ('+' a space, a '%' not followed by two hex digits kept as it is) and
// then Base64StreamDecoder would give, byte for byte, however the value is split into pieces (an
// escape or a quantum may straddle two). Decoded bytes are handed to the sink in blocks of 64 KiB
// (the last one shorter), so a file sink writes them without copying them again. Not thread-safe;
// one value per decoder.
class FormBase64Decoder {
public:
    // Gets each block of decoded bytes; false stops the decoding.
    using Sink = std::function<bool(const char *data, size_t size)>;
    static constexpr size_t blockSize = 64 * 1024;

    // With spaceAsPlus a space (an unencoded '+' or %20) decodes as '+', as Base64StreamDecoder's.
    FormBase64Decoder(bool spaceAsPlus, Sink sink);

    // Decodes one piece of the value. False once the sink refused; text that cannot be Base64 is
    // no failure here: the rest is skipped and finish() answers false.
    bool feed(const char *data, size_t size);
    // Ends the value: decodes what is pending and hands the last block over. False when the value
    // cannot be Base64 (see Base64StreamDecoder) or the sink refused.
    bool finish();
    bool failed() const { return m_failed; }

private:
    static constexpr size_t textSize = 8 * 1024;

    // Percent-decodes input from `at` into m_text, up to textSize bytes; moves `at` past what it took.
    size_t percentStage(const uint8_t *in, size_t size, size_t &at);
    // Base64-decodes percent-decoded text into m_block, handing full blocks to the sink.
    bool base64Stage(const uint8_t *text, size_t size);
    void symbol(uint8_t decoded, char *&write);
    bool flush(char *&write);

    Sink m_sink;
    std::unique_ptr<char[]> m_text;
    std::unique_ptr<char[]> m_block;
    bool m_spaceAsPlus;
    uint32_t m_bits = 0;
    int m_count = 0;          // sextets in the current quantum
    int m_padding = 0;        // '=' seen
    int m_escape = -1;        // -1: no escape pending; 0 or 1: hex digits seen after '%'
    uint8_t m_escapeHigh = 0; // the first hex digit, as it was written
    size_t m_filled = 0;      // decoded bytes waiting in m_block
    bool m_failed = false;
    bool m_sinkFailed = false;
};

} // namespace transfer
