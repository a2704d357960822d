#include "transfer/formbase64decoder.h"

#include "http/urlencoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

namespace transfer {
namespace {

constexpr int8_t skip = -1;
constexpr int8_t pad = -2;
// Set in a quartet table entry for a byte that is not a plain Base64 character: no decoded
// quartet reaches it, since three bytes fill only the low 24 bits.
constexpr uint32_t notPlain = 1u << 24;

struct Tables {
    // A percent-decoded byte's sextet, or skip (outside the alphabet) or pad ('=').
    std::array<int8_t, 256> decoded{};
    // A sextet placed where it lands in the three decoded bytes of its quartet (read as a
    // little-endian word), for positions 0 to 3; notPlain for bytes outside the alphabet and '='.
    std::array<std::array<uint32_t, 256>, 4> quartet{};
};

constexpr Tables makeTables(bool spaceAsPlus) {
    Tables t;
    for (auto &entry : t.decoded)
        entry = skip;
    const char *alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        t.decoded[uint8_t(alphabet[i])] = int8_t(i);
    t.decoded[uint8_t('=')] = pad;
    if (spaceAsPlus)
        t.decoded[uint8_t(' ')] = 62;
    for (size_t c = 0; c < 256; ++c) {
        const int8_t value = t.decoded[c];
        const uint32_t s = uint32_t(value);
        const bool ok = value >= 0;
        t.quartet[0][c] = ok ? s << 2 : notPlain;
        t.quartet[1][c] = ok ? (s >> 4) | (s & 15) << 12 : notPlain;
        t.quartet[2][c] = ok ? (s >> 2) << 8 | (s & 3) << 22 : notPlain;
        t.quartet[3][c] = ok ? s << 16 : notPlain;
    }
    return t;
}

constexpr Tables plainTables = makeTables(false);
constexpr Tables spaceAsPlusTables = makeTables(true);

using http::hexDigitValues;

// Writes the three bytes of a quartet word; the fourth byte written is scratch.
inline void storeQuartet(char *write, uint32_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(write, &word, 4);
    } else {
        write[0] = char(word);
        write[1] = char(word >> 8);
        write[2] = char(word >> 16);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Decodes 16 alphabet characters into 12 bytes at a time while the text has them, on processors
// with SSSE3 (nearly all); stops before the first 16 holding anything else (padding, a space,
// a character Base64 skips) and answers how many characters it took. `write` has room for
// 16 bytes per 12 it keeps, up to `room` bytes.
__attribute__((target("ssse3"))) size_t decodeSixteens(const uint8_t *text, size_t size, char *write,
                                                       size_t room) {
    size_t i = 0;
    while (i + 16 <= size && room >= 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        const auto between = [&c](char low, char high) {
            return _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8(char(low - 1))),
                                 _mm_cmplt_epi8(c, _mm_set1_epi8(char(high + 1))));
        };
        const __m128i upper = between('A', 'Z');
        const __m128i lower = between('a', 'z');
        const __m128i digit = between('0', '9');
        const __m128i plus = _mm_cmpeq_epi8(c, _mm_set1_epi8('+'));
        const __m128i slash = _mm_cmpeq_epi8(c, _mm_set1_epi8('/'));
        const __m128i valid =
            _mm_or_si128(_mm_or_si128(upper, lower), _mm_or_si128(digit, _mm_or_si128(plus, slash)));
        if (_mm_movemask_epi8(valid) != 0xffff)
            break;
        const __m128i shift = _mm_or_si128(
            _mm_or_si128(_mm_and_si128(upper, _mm_set1_epi8(-65)), _mm_and_si128(lower, _mm_set1_epi8(-71))),
            _mm_or_si128(_mm_and_si128(digit, _mm_set1_epi8(4)),
                         _mm_or_si128(_mm_and_si128(plus, _mm_set1_epi8(19)),
                                      _mm_and_si128(slash, _mm_set1_epi8(16)))));
        const __m128i sextets = _mm_add_epi8(c, shift);
        // Sextets a b c d of each quartet: a*64+b and c*64+d in 16-bit lanes, then the 24 bits in
        // 32-bit lanes, whose three bytes are gathered in order.
        const __m128i pairs = _mm_maddubs_epi16(sextets, _mm_set1_epi32(0x01400140));
        const __m128i words = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00011000));
        const __m128i bytes =
            _mm_shuffle_epi8(words, _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(write), bytes);
        write += 12;
        room -= 12;
        i += 16;
    }
    return i;
}

bool hasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

// Marks the bytes that percent decoding changes ('%', and '+' unless it may stay) among the 64 at
// `in`, bit k for in[k].
inline uint64_t specialsOf64(const uint8_t *in, bool keepPlus) {
#ifdef __SSE2__
    uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 16 * k));
        __m128i special = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('%'));
        if (!keepPlus)
            special = _mm_or_si128(special, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('+')));
        mask |= uint64_t(uint32_t(_mm_movemask_epi8(special))) << (16 * k);
    }
    return mask;
#else
    uint64_t mask = 0;
    for (int k = 0; k < 64; ++k)
        mask |= uint64_t(in[k] == '%' || (in[k] == '+' && !keepPlus)) << k;
    return mask;
#endif
}

// Copies a run of plain bytes. Most runs between escapes are short, so 64 bytes go at once
// where the input has them (the output has room for that much past its end).
inline void copyRun(char *out, const uint8_t *in, size_t length, const uint8_t *inEnd) {
    if (inEnd - in >= 64) {
        std::memcpy(out, in, 64);
        if (length > 64)
            std::memcpy(out + 64, in + 64, length - 64);
    } else {
        std::memcpy(out, in, length);
    }
}

} // namespace

FormBase64Decoder::FormBase64Decoder(bool spaceAsPlus, Sink sink)
    : m_sink(std::move(sink))
    , m_text(new char[textSize + 64])  // room for the 64 bytes copied at a time
    , m_block(new char[blockSize + 8]) // room for a quartet's scratch byte and a finished tail
    , m_spaceAsPlus(spaceAsPlus) {}

void FormBase64Decoder::symbol(uint8_t decoded, char *&write) {
    const int8_t value = (m_spaceAsPlus ? spaceAsPlusTables : plainTables).decoded[decoded];
    if (value >= 0) {
        if (m_padding) {
            m_failed = true;
            return;
        }
        m_bits = m_bits << 6 | uint32_t(value);
        if (++m_count == 4) {
            *write++ = char(m_bits >> 16);
            *write++ = char(m_bits >> 8);
            *write++ = char(m_bits);
            m_bits = 0;
            m_count = 0;
        }
    } else if (value == pad) {
        // "xx==" or "xxx=": padding may only complete a quantum of two or three sextets.
        ++m_padding;
        if (m_count < 2 || m_count + m_padding > 4)
            m_failed = true;
    }
}

size_t FormBase64Decoder::percentStage(const uint8_t *in, size_t size, size_t &at) {
    // On the upload route a space and a '+' are the same sextet, so an unencoded '+' may stay.
    const bool keepPlus = m_spaceAsPlus;
    char *out = m_text.get();
    size_t i = at;
    // An escape cut by the end of the last piece goes on here, or stays the text it was.
    while (m_escape >= 0 && i < size) {
        const uint8_t c = in[i];
        if (hexDigitValues[c] < 0) {
            *out++ = '%';
            if (m_escape == 1)
                *out++ = char(m_escapeHigh);
            m_escape = -1;
            break; // c counts for itself below
        }
        ++i;
        if (m_escape == 0) {
            m_escapeHigh = c;
            m_escape = 1;
        } else {
            *out++ = char(hexDigitValues[m_escapeHigh] << 4 | hexDigitValues[c]);
            m_escape = -1;
        }
    }
    if (i >= size) {
        at = i;
        return size_t(out - m_text.get());
    }
    // The slice's special bytes are found first, 64 at a time; then the runs between them are
    // copied and each special byte decoded, without a test per byte.
    const size_t sliceEnd = std::min(size, i + (textSize - 2));
    const size_t length = sliceEnd - i;
    std::array<uint64_t, textSize / 64> specials;
    const size_t words = (length + 63) / 64;
    for (size_t w = 0; w < length / 64; ++w)
        specials[w] = specialsOf64(in + i + 64 * w, keepPlus);
    if (length % 64 != 0) {
        uint64_t mask = 0;
        for (size_t k = length / 64 * 64; k < length; ++k)
            mask |= uint64_t(in[i + k] == '%' || (in[i + k] == '+' && !keepPlus)) << (k % 64);
        specials[words - 1] = mask;
    }
    const uint8_t *const inEnd = in + size;
    size_t cursor = i;
    for (size_t w = 0; w < words; ++w) {
        for (uint64_t mask = specials[w]; mask != 0; mask &= mask - 1) {
            const size_t pos = i + 64 * w + size_t(std::countr_zero(mask));
            copyRun(out, in + cursor, pos - cursor, inEnd);
            out += pos - cursor;
            if (in[pos] == '+') {
                *out++ = ' ';
                cursor = pos + 1;
            } else if (pos + 2 < size) {
                const int high = hexDigitValues[in[pos + 1]];
                const int low = hexDigitValues[in[pos + 2]];
                const bool escape = (high | low) >= 0;
                // Not an escape: the '%' stays, and what follows counts for itself.
                *out++ = escape ? char(high << 4 | low) : '%';
                cursor = pos + (escape ? 3 : 1);
            } else if (pos + 1 < size && hexDigitValues[in[pos + 1]] < 0) {
                *out++ = '%';
                cursor = pos + 1;
            } else {
                // The piece ends inside the escape.
                m_escape = pos + 1 < size ? 1 : 0;
                if (m_escape == 1)
                    m_escapeHigh = in[pos + 1];
                cursor = size;
            }
        }
    }
    if (cursor < sliceEnd) {
        copyRun(out, in + cursor, sliceEnd - cursor, inEnd);
        out += sliceEnd - cursor;
        cursor = sliceEnd;
    }
    i = cursor;
    at = i;
    return size_t(out - m_text.get());
}

bool FormBase64Decoder::base64Stage(const uint8_t *text, size_t size) {
    const Tables &t = m_spaceAsPlus ? spaceAsPlusTables : plainTables;
    char *write = m_block.get() + m_filled;
    char *const limit = m_block.get() + blockSize;
    size_t i = 0;
    while (i < size) {
        if (write >= limit && !flush(write))
            return false;
        // Between quanta, runs of four alphabet characters skip the byte-by-byte path; padding,
        // characters Base64 skips and a quantum cut by the end of the text take it.
        if (m_count == 0 && m_padding == 0) {
#if defined(__x86_64__) || defined(__i386__)
            if (hasSsse3()) {
                // The block keeps 8 bytes of room past its limit.
                const size_t taken = decodeSixteens(text + i, size - i, write, size_t(limit - write) + 8);
                i += taken;
                write += taken / 16 * 12;
            }
#endif
            while (i + 4 <= size && write < limit) {
                const uint32_t word = t.quartet[0][text[i]] | t.quartet[1][text[i + 1]] |
                                      t.quartet[2][text[i + 2]] | t.quartet[3][text[i + 3]];
                if (word >= notPlain)
                    break;
                storeQuartet(write, word);
                write += 3;
                i += 4;
            }
            if (write >= limit || i == size)
                continue;
        }
        symbol(text[i++], write);
        if (m_failed)
            break;
    }
    m_filled = size_t(write - m_block.get());
    return true;
}

bool FormBase64Decoder::flush(char *&write) {
    const size_t filled = size_t(write - m_block.get());
    if (!m_sink(m_block.get(), blockSize)) {
        m_sinkFailed = true;
        return false;
    }
    std::memmove(m_block.get(), m_block.get() + blockSize, filled - blockSize);
    write = m_block.get() + (filled - blockSize);
    return true;
}

bool FormBase64Decoder::feed(const char *data, size_t size) {
    const auto *in = reinterpret_cast<const uint8_t *>(data);
    size_t i = 0;
    while (i < size && !m_failed && !m_sinkFailed) {
        const size_t decoded = percentStage(in, size, i);
        base64Stage(reinterpret_cast<const uint8_t *>(m_text.get()), decoded);
    }
    return !m_sinkFailed;
}

bool FormBase64Decoder::finish() {
    if (m_escape >= 0 && !m_failed && !m_sinkFailed) {
        // The value ends inside an escape: it stays the text it was.
        const uint8_t tail[2] = {'%', m_escapeHigh};
        base64Stage(tail, m_escape == 1 ? 2 : 1);
        m_escape = -1;
    }
    if (m_failed || m_sinkFailed || m_count == 1)
        return false;
    char *write = m_block.get() + m_filled;
    if (write >= m_block.get() + blockSize && !flush(write))
        return false;
    if (m_count == 2) {
        *write++ = char(m_bits >> 4);
    } else if (m_count == 3) {
        *write++ = char(m_bits >> 10);
        *write++ = char(m_bits >> 2);
    }
    m_bits = 0;
    m_count = 0;
    m_filled = 0;
    const size_t tail = size_t(write - m_block.get());
    if (tail > 0 && !m_sink(m_block.get(), tail)) {
        m_sinkFailed = true;
        return false;
    }
    return true;
}

} // namespace transfer
