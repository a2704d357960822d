#include "transfer/formbase64decoder.h"

#include "http/urlencoding.h"
#include "transfer/base64stream.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <random>

using transfer::FormBase64Decoder;

namespace {

struct Decoded {
    std::optional<std::string> bytes; // nullopt: refused
    std::vector<size_t> blocks;       // sizes handed to the sink
};

Decoded decode(const std::string &text, size_t piece, bool spaceAsPlus) {
    Decoded result;
    std::string out;
    FormBase64Decoder decoder(spaceAsPlus, [&](const char *data, size_t size) {
        out.append(data, size);
        result.blocks.push_back(size);
        return true;
    });
    for (size_t i = 0; i < text.size(); i += piece)
        EXPECT_TRUE(decoder.feed(text.data() + i, std::min(piece, text.size() - i)));
    if (decoder.finish())
        result.bytes = out;
    return result;
}

// What the two passes give: percent decoding of the whole value, then the stream decoder.
std::optional<std::string> twoPasses(const std::string &text, bool spaceAsPlus) {
    transfer::Base64StreamDecoder base64(spaceAsPlus);
    std::string out;
    const std::string percentDecoded = http::percentDecode(text, true);
    base64.feed(percentDecoded.data(), percentDecoded.size(), out);
    if (!base64.finish(out))
        return std::nullopt;
    return out;
}

} // namespace

// Escapes and quanta cut by a piece's end, padding (escaped and not), spaces and '+', line breaks
// raw and escaped, malformed escapes, and refused texts, split at every place, in both modes. The
// second column is the save route's result (nullopt: refused).
TEST(FormBase64Decoder, GivesWhatTwoPassesGiveForEverySplit) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"SGVsbG8gd29ybGQ%3D", "Hello world"},
        {"SGVsbG8gd29ybGQ=", "Hello world"},
        {"SGVs%0D%0AbG8g\r\nd29y%20bGQ", "Hello world"}, // %20 is a '+' on the upload route
        {"%2B%2B%2B%2B%2B%2B8%3D", "\xfb\xef\xbe\xfb\xef"},
        {"++++++8=", std::nullopt}, // spaces, unless they stand for '+'
        {"%2b%2f%2B%2Fxyz%3d", "\xfb\xff\xbf\xc7\x2c"},
        {"Q%5%51%3D", "\x43\x94"}, // "%5" is not an escape: its '5' counts
        {"QUJD%", "ABC"},
        {"QUJD%4", std::nullopt},
        {"QUJ%G1", std::nullopt},
        {"QQ%3D%3DQQ", std::nullopt},
        {"Q%3D%3D%3D", std::nullopt},
        {"A", std::nullopt},
        {"", ""},
    };
    for (const auto &[text, saved] : cases) {
        EXPECT_EQ(twoPasses(text, false), saved) << text;
        for (const bool spaceAsPlus : {false, true}) {
            const std::optional<std::string> expected = twoPasses(text, spaceAsPlus);
            for (size_t piece = 1; piece <= std::max<size_t>(1, text.size()); ++piece)
                EXPECT_EQ(decode(text, piece, spaceAsPlus).bytes, expected)
                    << text << " in pieces of " << piece << (spaceAsPlus ? ", space as plus" : "");
        }
    }
    EXPECT_EQ(decode("++++++8=", 3, true).bytes, "\xfb\xef\xbe\xfb\xef");
}

// A browser's form of a file larger than a block: every block but the last is whole, whatever the
// pieces the body comes in.
TEST(FormBase64Decoder, LargeValueComesInWholeBlocks) {
    std::mt19937 generator(7);
    std::string bytes(200 * 1024 + 2, '\0');
    for (char &c : bytes)
        c = char(generator());
    const std::string text = http::encodeComponent(QByteArray::fromStdString(bytes).toBase64().toStdString());
    for (const size_t piece : {size_t(1), size_t(7), size_t(4093), size_t(256 * 1024), text.size()}) {
        const Decoded decoded = decode(text, piece, true);
        ASSERT_EQ(decoded.bytes, bytes) << "pieces of " << piece;
        ASSERT_EQ(decoded.blocks.size(), 4u);
        for (size_t i = 0; i + 1 < decoded.blocks.size(); ++i)
            EXPECT_EQ(decoded.blocks[i], FormBase64Decoder::blockSize);
    }
}

// A run that ends an internal slice just after an escape; sanitizer builds see any copy past the
// decoder's buffers.
TEST(FormBase64Decoder, EscapeNearTheEndOfALongRun) {
    const std::string text = std::string(8180, 'A') + "%41" + std::string(2000, 'A');
    for (const size_t piece : {size_t(4093), text.size()})
        EXPECT_EQ(decode(text, piece, true).bytes, twoPasses(text, true)) << "pieces of " << piece;
}

TEST(FormBase64Decoder, SinkRefusalStopsDecoding) {
    const std::string text = http::encodeComponent(QByteArray(100000, 'x').toBase64().toStdString());
    int calls = 0;
    FormBase64Decoder decoder(true, [&calls](const char *, size_t) {
        ++calls;
        return false;
    });
    EXPECT_FALSE(decoder.feed(text.data(), text.size()));
    EXPECT_FALSE(decoder.feed(text.data(), text.size()));
    EXPECT_FALSE(decoder.finish());
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(decoder.failed()); // the text itself was Base64
}
