#include "http/urlencoding.h"

#include <gtest/gtest.h>

using http::FormStreamDecoder;
using http::Pairs;

TEST(UrlEncoding, DecodesEscapesAndPlus) {
    EXPECT_EQ(http::decodeComponent("a+b%20c%2Bd%2fe"), "a b c+d/e");
    EXPECT_EQ(http::decodeComponent("100%"), "100%");
    EXPECT_EQ(http::decodeComponent("%zz%4"), "%zz%4");
    EXPECT_EQ(http::decodeComponent("%E2%9C%93"), "\xE2\x9C\x93");
}

TEST(UrlEncoding, ParsesPairsInOrderWithDuplicates) {
    const Pairs pairs = http::parseUrlEncoded("b=2&a=1&&b=3&flag&=empty");
    const Pairs expected = {{"b", "2"}, {"a", "1"}, {"b", "3"}, {"flag", ""}, {"", "empty"}};
    EXPECT_EQ(pairs, expected);
    EXPECT_TRUE(http::parseUrlEncoded("").empty());
}

TEST(UrlEncoding, EncodesOutsideUnreserved) {
    EXPECT_EQ(http::encodeComponent("a b/ü~"), "a%20b%2F%C3%BC~");
    EXPECT_EQ(http::decodeComponent(http::encodeComponent("x+y&z=%")), "x+y&z=%");
}

namespace {

struct StreamResult {
    Pairs pairs;
    std::string streamed;
    FormStreamDecoder::Status status;
};

StreamResult decodeInChunks(const std::string &body, size_t chunk, size_t maxBuffered = 1024) {
    StreamResult result;
    FormStreamDecoder decoder(
        [](const std::string &key) {
            return key == "content" ? FormStreamDecoder::Disposition::Stream
                   : key == "skip"  ? FormStreamDecoder::Disposition::Discard
                   : key == "raw"   ? FormStreamDecoder::Disposition::Raw
                                    : FormStreamDecoder::Disposition::Buffer;
        },
        [&result](const char *data, size_t size) {
            result.streamed.append(data, size);
            return true;
        },
        maxBuffered);
    for (size_t i = 0; i < body.size(); i += chunk)
        decoder.feed(body.data() + i, std::min(chunk, body.size() - i));
    decoder.finish();
    result.pairs = decoder.pairs();
    result.status = decoder.status();
    return result;
}

} // namespace

// The body may be split anywhere, also inside a %XX escape; every split gives the same result.
TEST(FormStreamDecoder, SameResultForEverySplit) {
    const std::string body = "note=hi+there&name=a%2Bb.png&skip=zzz&content=QUJD%2BRA%3D%3D+x&tail=%41%";
    const StreamResult whole = decodeInChunks(body, body.size());
    const Pairs expected = {{"note", "hi there"}, {"name", "a+b.png"}, {"content", ""}, {"tail", "A%"}};
    EXPECT_EQ(whole.pairs, expected);
    EXPECT_EQ(whole.streamed, "QUJD+RA== x");
    for (size_t chunk = 1; chunk < body.size(); ++chunk) {
        const StreamResult split = decodeInChunks(body, chunk);
        EXPECT_EQ(split.pairs, expected) << "chunk " << chunk;
        EXPECT_EQ(split.streamed, whole.streamed) << "chunk " << chunk;
    }
}

// A raw value reaches the sink as the body holds it, escapes and '+' included, up to its '&'.
TEST(FormStreamDecoder, RawValuesArriveUndecodedForEverySplit) {
    const std::string body = "raw=QU%2B+%4&name=a%2Bb&raw=%41";
    const Pairs expected = {{"raw", ""}, {"name", "a+b"}, {"raw", ""}};
    for (size_t chunk = 1; chunk <= body.size(); ++chunk) {
        const StreamResult split = decodeInChunks(body, chunk);
        EXPECT_EQ(split.pairs, expected) << "chunk " << chunk;
        EXPECT_EQ(split.streamed, "QU%2B+%4%41") << "chunk " << chunk;
    }
}

TEST(FormStreamDecoder, RefusesOversizedBufferedValuesButNotStreamedOnes) {
    const std::string big(5000, 'x');
    EXPECT_EQ(decodeInChunks("name=" + big, 100).status, FormStreamDecoder::Status::ValueTooLarge);
    EXPECT_EQ(decodeInChunks(big + "=1", 100).status, FormStreamDecoder::Status::ValueTooLarge);
    const StreamResult streamed = decodeInChunks("content=" + big, 100);
    EXPECT_EQ(streamed.status, FormStreamDecoder::Status::Ok);
    EXPECT_EQ(streamed.streamed, big);
}

TEST(FormStreamDecoder, SinkFailureStopsDecoding) {
    FormStreamDecoder decoder([](const std::string &) { return FormStreamDecoder::Disposition::Stream; },
                              [](const char *, size_t) { return false; }, 64);
    const std::string body = "content=abc";
    decoder.feed(body.data(), body.size());
    EXPECT_FALSE(decoder.finish());
    EXPECT_EQ(decoder.status(), FormStreamDecoder::Status::SinkFailed);
}
