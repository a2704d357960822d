#include "transfer/base64stream.h"

#include <array>

namespace transfer {
namespace {

constexpr int8_t skip = -1;
constexpr int8_t pad = -2;

constexpr std::array<int8_t, 256> makeTable(bool spaceAsPlus) {
    std::array<int8_t, 256> table{};
    for (auto &entry : table)
        entry = skip;
    const char *alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        table[uint8_t(alphabet[i])] = int8_t(i);
    table[uint8_t('=')] = pad;
    if (spaceAsPlus)
        table[uint8_t(' ')] = 62;
    return table;
}

constexpr std::array<int8_t, 256> plainTable = makeTable(false);
constexpr std::array<int8_t, 256> spaceAsPlusTable = makeTable(true);

} // namespace

void Base64StreamDecoder::feed(const char *data, size_t size, std::string &out) {
    if (m_failed)
        return;
    const size_t start = out.size();
    out.resize(start + size / 4 * 3 + 3);
    char *write = out.data() + start;
    const std::array<int8_t, 256> &table = m_spaceAsPlus ? spaceAsPlusTable : plainTable;
    uint32_t bits = m_bits;
    int count = m_count;
    size_t i = 0;
    // Whole quanta of four alphabet characters take the fast path; anything else (line breaks,
    // padding, a quantum split across calls) goes through the general loop below.
    const auto *bytes = reinterpret_cast<const uint8_t *>(data);
    while (i < size) {
        if (count == 0 && !m_padding) {
            while (i + 4 <= size) {
                const int a = table[bytes[i]], b = table[bytes[i + 1]], c = table[bytes[i + 2]],
                          d = table[bytes[i + 3]];
                if ((a | b | c | d) < 0)
                    break;
                const uint32_t v = uint32_t(a) << 18 | uint32_t(b) << 12 | uint32_t(c) << 6 | uint32_t(d);
                write[0] = char(v >> 16);
                write[1] = char(v >> 8);
                write[2] = char(v);
                write += 3;
                i += 4;
            }
            if (i >= size)
                break;
        }
        const int8_t value = table[uint8_t(data[i++])];
        if (value >= 0) {
            if (m_padding) {
                m_failed = true;
                break;
            }
            bits = bits << 6 | uint32_t(value);
            if (++count == 4) {
                *write++ = char(bits >> 16);
                *write++ = char(bits >> 8);
                *write++ = char(bits);
                bits = 0;
                count = 0;
            }
        } else if (value == pad) {
            // "xx==" or "xxx=": padding may only complete a quantum of two or three sextets.
            ++m_padding;
            if (count < 2 || count + m_padding > 4) {
                m_failed = true;
                break;
            }
        }
    }
    m_bits = bits;
    m_count = count;
    out.resize(size_t(write - out.data()));
}

bool Base64StreamDecoder::finish(std::string &out) {
    if (m_failed || m_count == 1)
        return false;
    if (m_count == 2) {
        out.push_back(char(m_bits >> 4));
    } else if (m_count == 3) {
        out.push_back(char(m_bits >> 10));
        out.push_back(char(m_bits >> 2));
    }
    m_bits = 0;
    m_count = 0;
    return true;
}

} // namespace transfer
