#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace http {

// The value of each byte as a hexadecimal digit, or -1: for the decoders of percent escapes.
inline constexpr std::array<int8_t, 256> hexDigitValues = [] {
    std::array<int8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[size_t(c)] = int8_t(c >= '0' && c <= '9'   ? c - '0'
                                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                         : -1);
    return table;
}();

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Calls visit(piece) for every piece of text between separators, empty ones included, in order;
// stops and answers false as soon as visit answers false.
template <typename Visit> bool forEachPiece(std::string_view text, char separator, Visit visit) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (!visit(text.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

// Decodes %XX escapes; a '%' not followed by two hex digits is kept as it is. With plusIsSpace a
// '+' becomes a space, as in forms and queries.
std::string percentDecode(std::string_view text, bool plusIsSpace);

// Decodes one component of a URL-encoded form or query: %XX becomes its byte and '+' a space.
// A '%' not followed by two hex digits is kept as it is.
std::string decodeComponent(std::string_view text);

// Splits "a=1&b=2" into decoded pairs, in order. Empty pieces ("&&") are skipped; a piece without
// '=' is a key with an empty value.
Pairs parseUrlEncoded(std::string_view text);

// Percent-encodes everything outside the unreserved set (RFC 3986).
std::string encodeComponent(std::string_view text);

// Streaming decoder of an URL-encoded form body: bytes arrive in chunks split anywhere (even inside
// a %XX escape). Each value is delivered according to the disposition its key gets when the '='
// after it is seen: buffered into pairs() (refused past maxBufferedValue bytes), streamed in decoded
// chunks to the stream sink, streamed raw (still percent-encoded, as the pieces of the body hold it,
// with no copy; an escape may be split between two calls) to the stream sink, or dropped.
class FormStreamDecoder {
public:
    enum class Disposition { Buffer, Stream, Raw, Discard };
    using Classifier = std::function<Disposition(const std::string &key)>;
    using StreamSink = std::function<bool(const char *data, size_t size)>;
    enum class Status { Ok, ValueTooLarge, SinkFailed };

    FormStreamDecoder(Classifier classifier, StreamSink sink, size_t maxBufferedValue);

    // False once an error occurred; status() tells which. Further input is ignored.
    bool feed(const char *data, size_t size);
    bool finish();

    Status status() const { return m_status; }
    // Buffered pairs in order; a streamed pair is listed with an empty value.
    const Pairs &pairs() const { return m_pairs; }

private:
    void endPair();
    bool flushStream();
    void put(char c);

    Classifier m_classifier;
    StreamSink m_sink;
    size_t m_maxBufferedValue;
    Pairs m_pairs;
    std::string m_key;
    std::string m_value;
    std::string m_streamBuffer;
    bool m_inValue = false;
    bool m_pieceStarted = false;
    Disposition m_disposition = Disposition::Buffer;
    int m_escapeDigits = -1; // -1: no escape pending; 0..2: hex digits seen after '%'
    char m_escape[2] = {};
    Status m_status = Status::Ok;
};

} // namespace http
