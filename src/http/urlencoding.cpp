#include "http/urlencoding.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace http {
namespace {

int hexValue(char c) {
    return hexDigitValues[uint8_t(c)];
}

constexpr size_t streamChunk = 64 * 1024;

constexpr std::array<bool, 256> makeSpecialTable() {
    std::array<bool, 256> table{};
    table[uint8_t('%')] = table[uint8_t('&')] = table[uint8_t('+')] = true;
    return table;
}

constexpr std::array<bool, 256> specialTable = makeSpecialTable();

} // namespace

std::string percentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out.push_back(char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string decodeComponent(std::string_view text) {
    return percentDecode(text, true);
}

Pairs parseUrlEncoded(std::string_view text) {
    Pairs pairs;
    forEachPiece(text, '&', [&pairs](std::string_view piece) {
        if (piece.empty())
            return true;
        const size_t equals = piece.find('=');
        if (equals == std::string_view::npos)
            pairs.emplace_back(decodeComponent(piece), std::string());
        else
            pairs.emplace_back(decodeComponent(piece.substr(0, equals)),
                               decodeComponent(piece.substr(equals + 1)));
        return true;
    });
    return pairs;
}

std::string encodeComponent(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out.push_back(char(c));
        } else {
            out.push_back('%');
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 15]);
        }
    }
    return out;
}

FormStreamDecoder::FormStreamDecoder(Classifier classifier, StreamSink sink, size_t maxBufferedValue)
    : m_classifier(std::move(classifier))
    , m_sink(std::move(sink))
    , m_maxBufferedValue(maxBufferedValue) {
    m_streamBuffer.reserve(streamChunk);
}

void FormStreamDecoder::put(char c) {
    if (!m_inValue) {
        if (m_key.size() < m_maxBufferedValue)
            m_key.push_back(c);
        else
            m_status = Status::ValueTooLarge;
        return;
    }
    switch (m_disposition) {
    case Disposition::Buffer:
        if (m_value.size() >= m_maxBufferedValue) {
            m_status = Status::ValueTooLarge;
            return;
        }
        m_value.push_back(c);
        break;
    case Disposition::Stream:
        m_streamBuffer.push_back(c);
        if (m_streamBuffer.size() >= streamChunk)
            flushStream();
        break;
    case Disposition::Raw: // feed() hands raw values over before they could come here
    case Disposition::Discard:
        break;
    }
}

bool FormStreamDecoder::flushStream() {
    if (m_streamBuffer.empty())
        return true;
    if (!m_sink(m_streamBuffer.data(), m_streamBuffer.size()))
        m_status = Status::SinkFailed;
    m_streamBuffer.clear();
    return m_status == Status::Ok;
}

void FormStreamDecoder::endPair() {
    if (m_escapeDigits >= 0) {
        // An escape cut short by the end of the piece stays as the literal text it was.
        const int digits = m_escapeDigits;
        m_escapeDigits = -1;
        put('%');
        for (int i = 0; i < digits; ++i)
            put(m_escape[i]);
    }
    if (m_pieceStarted) {
        if (!m_inValue)
            m_disposition = m_classifier(m_key);
        if (m_disposition == Disposition::Stream || m_disposition == Disposition::Raw) {
            flushStream();
            m_pairs.emplace_back(std::move(m_key), std::string());
        } else if (m_disposition == Disposition::Buffer) {
            m_pairs.emplace_back(std::move(m_key), std::move(m_value));
        }
    }
    m_key.clear();
    m_value.clear();
    m_inValue = false;
    m_pieceStarted = false;
    m_disposition = Disposition::Buffer;
}

bool FormStreamDecoder::feed(const char *data, size_t size) {
    for (size_t i = 0; i < size && m_status == Status::Ok; ++i) {
        // A raw value goes to the sink as it stands, up to the '&' that ends it.
        if (m_inValue && m_disposition == Disposition::Raw) {
            const auto *amp = static_cast<const char *>(std::memchr(data + i, '&', size - i));
            const size_t end = amp ? size_t(amp - data) : size;
            if (end > i && !m_sink(data + i, end - i)) {
                m_status = Status::SinkFailed;
                break;
            }
            i = end;
            if (i == size)
                break;
        }
        // Inside a streamed value whole escapes and plain runs are decoded straight into the
        // stream buffer; only an escape cut by the chunk's end or a malformed one, and the '&'
        // that ends the value, take the general path below.
        if (m_inValue && m_disposition == Disposition::Stream && m_escapeDigits < 0) {
            const size_t start = m_streamBuffer.size();
            m_streamBuffer.resize(start + (size - i));
            char *out = m_streamBuffer.data() + start;
            while (i < size) {
                // Copy the run of plain characters up to the next '%', '&' or '+'.
                size_t end = i;
                while (end < size && !specialTable[uint8_t(data[end])])
                    ++end;
                std::memcpy(out, data + i, end - i);
                out += end - i;
                i = end;
                if (i == size)
                    break;
                const char c = data[i];
                if (c == '+') {
                    *out++ = ' ';
                    ++i;
                    continue;
                }
                if (c == '&' || i + 2 >= size)
                    break;
                const int high = hexDigitValues[uint8_t(data[i + 1])];
                const int low = hexDigitValues[uint8_t(data[i + 2])];
                if ((high | low) < 0)
                    break;
                *out++ = char(high << 4 | low);
                i += 3;
            }
            m_streamBuffer.resize(size_t(out - m_streamBuffer.data()));
            if (m_streamBuffer.size() >= streamChunk && !flushStream())
                break;
            if (i == size)
                break;
        }
        const char c = data[i];
        if (m_escapeDigits >= 0) {
            if (hexValue(c) >= 0) {
                m_escape[m_escapeDigits++] = c;
                if (m_escapeDigits == 2) {
                    m_escapeDigits = -1;
                    put(char(hexValue(m_escape[0]) * 16 + hexValue(m_escape[1])));
                }
                continue;
            }
            const int digits = m_escapeDigits;
            m_escapeDigits = -1;
            put('%');
            for (int d = 0; d < digits; ++d)
                put(m_escape[d]);
            // fall through to handle c itself
        }
        if (c == '&') {
            endPair();
            continue;
        }
        m_pieceStarted = true;
        if (c == '=' && !m_inValue) {
            m_inValue = true;
            m_disposition = m_classifier(m_key);
        } else if (c == '%') {
            m_escapeDigits = 0;
        } else {
            put(c == '+' ? ' ' : c);
        }
    }
    return m_status == Status::Ok;
}

bool FormStreamDecoder::finish() {
    if (m_status == Status::Ok)
        endPair();
    return m_status == Status::Ok;
}

} // namespace http
