#include "transfer/base64stream.h"

#include <QByteArray>
#include <gtest/gtest.h>

using transfer::Base64StreamDecoder;

namespace {

std::optional<std::string> decode(const std::string &text, size_t chunk) {
    Base64StreamDecoder decoder;
    std::string out;
    for (size_t i = 0; i < text.size(); i += chunk)
        decoder.feed(text.data() + i, std::min(chunk, text.size() - i), out);
    if (!decoder.finish(out))
        return std::nullopt;
    return out;
}

} // namespace

TEST(Base64StreamDecoder, MatchesQtForAllLengthsAndSplits) {
    std::string bytes;
    for (int length = 0; length < 40; ++length) {
        const std::string encoded = QByteArray::fromStdString(bytes).toBase64().toStdString();
        for (size_t chunk : {size_t(1), size_t(3), size_t(5), size_t(64)}) {
            const auto decoded = decode(encoded, chunk);
            ASSERT_TRUE(decoded) << encoded;
            EXPECT_EQ(*decoded, bytes) << encoded << " chunk " << chunk;
        }
        bytes.push_back(char(length * 37 + 11));
    }
}

TEST(Base64StreamDecoder, IgnoresCharactersOutsideTheAlphabet) {
    EXPECT_EQ(decode("SGVs\r\nbG8g d29y*bGQ=", 2), std::optional<std::string>("Hello world"));
    EXPECT_EQ(decode("SGVsbG8", 100), std::optional<std::string>("Hello")); // padding may be left out
    EXPECT_EQ(decode("", 1), std::optional<std::string>(""));
}

TEST(Base64StreamDecoder, RefusesWhatCannotBeBase64) {
    for (const std::string bad : {"A", "QUJDR", "QQ==QQ==", "Q===", "=QUJD", "QUJD=", "QU=JD"})
        EXPECT_FALSE(decode(bad, 1)) << bad;
}
