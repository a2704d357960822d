#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace transfer {

// Decodes standard Base64 arriving in chunks, ignoring every character outside the alphabet (line
// breaks, spaces). Padding is optional; once padding was seen no further data may follow.
// finish() answers false for input that cannot be Base64: a lone trailing character, padding in
// the wrong place, or data after the padding.
class Base64StreamDecoder {
public:
    // With spaceAsPlus a space decodes as '+': an unencoded '+' in a form arrives as a space.
    explicit Base64StreamDecoder(bool spaceAsPlus = false)
        : m_spaceAsPlus(spaceAsPlus) {}

    void feed(const char *data, size_t size, std::string &out);
    bool finish(std::string &out);
    bool failed() const { return m_failed; }

private:
    uint32_t m_bits = 0;
    int m_count = 0;   // sextets in the current quantum
    int m_padding = 0; // '=' seen
    bool m_failed = false;
    bool m_spaceAsPlus = false;
};

} // namespace transfer
