#include "tarnwick/protocol.h"
#include "tarnwick/streamdecoder.h"

#include <QJsonObject>
#include <gtest/gtest.h>

using tarnwick::StreamDecoder;
using tarnwick::StreamMessage;

namespace {

const QString key = QString::fromLatin1(tarnwick::protocol::streamKey);

QByteArray wire(const QByteArray &json) {
    const auto message = StreamDecoder::encodeMessage(json, key);
    EXPECT_TRUE(message);
    return message.value_or(QByteArray());
}

std::vector<int> indexes(const std::vector<StreamMessage> &messages) {
    std::vector<int> result;
    for (const StreamMessage &message : messages)
        result.push_back(message.error ? -1 : message.value.toObject().value("i").toInt());
    return result;
}

TEST(StreamDecoder, SplitAtEveryPositionGivesTheSameMessages) {
    const QByteArray stream = wire(R"({"i":1,"text":"ünï"})") + wire(R"({"i":2})") + wire(R"({"i":3})");
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        StreamDecoder decoder(key);
        std::vector<StreamMessage> messages = decoder.feed(stream.left(cut));
        for (StreamMessage &m : decoder.feed(stream.mid(cut)))
            messages.push_back(std::move(m));
        for (StreamMessage &m : decoder.finish())
            messages.push_back(std::move(m));
        EXPECT_EQ(indexes(messages), (std::vector<int>{1, 2, 3})) << "cut at " << cut;
    }
}

TEST(StreamDecoder, ByteByByteAndTwoCutsAgree) {
    const QByteArray stream = wire(R"({"i":7})") + wire(R"({"i":8})");
    StreamDecoder single(key);
    std::vector<StreamMessage> messages;
    for (char byte : stream) {
        for (StreamMessage &m : single.feed(QByteArray(1, byte)))
            messages.push_back(std::move(m));
    }
    EXPECT_EQ(indexes(messages), (std::vector<int>{7, 8}));
    EXPECT_TRUE(single.finish().empty());

    for (qsizetype first = 0; first < stream.size(); first += 5) {
        for (qsizetype second = first; second <= stream.size(); second += 3) {
            StreamDecoder decoder(key);
            std::vector<StreamMessage> all;
            for (const QByteArray &part :
                 {stream.left(first), stream.mid(first, second - first), stream.mid(second)})
                for (StreamMessage &m : decoder.feed(part))
                    all.push_back(std::move(m));
            for (StreamMessage &m : decoder.finish())
                all.push_back(std::move(m));
            ASSERT_EQ(indexes(all), (std::vector<int>{7, 8})) << first << "/" << second;
        }
    }
}

TEST(StreamDecoder, LastMessageWithoutSeparatorArrivesAtFinish) {
    QByteArray stream = wire(R"({"i":4})");
    stream.chop(2);
    StreamDecoder decoder(key);
    EXPECT_TRUE(decoder.feed(stream).empty());
    EXPECT_EQ(indexes(decoder.finish()), (std::vector<int>{4}));
}

TEST(StreamDecoder, EmptyPiecesYieldNothing) {
    StreamDecoder decoder(key);
    EXPECT_TRUE(decoder.feed("\n\n\n\ndata: \n\n").empty());
    EXPECT_TRUE(decoder.finish().empty());
}

TEST(StreamDecoder, BrokenMessagesGiveErrorsAndDoNotStopTheStream) {
    const auto notJson = StreamDecoder::encodeMessage("not json", key);
    ASSERT_TRUE(notJson);
    const QByteArray stream = QByteArray("data: AAAA\n\n") + *notJson + wire(R"({"i":5})");
    StreamDecoder decoder(key);
    const std::vector<StreamMessage> messages = decoder.feed(stream);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].error->domain, QLatin1String(tarnwick::protocol::errorDomain));
    EXPECT_EQ(messages[0].error->code, tarnwick::protocol::UndecryptableMessage);
    EXPECT_EQ(messages[1].error->domain, QLatin1String(tarnwick::protocol::jsonErrorDomain));
    EXPECT_FALSE(messages[2].error);
    EXPECT_EQ(messages[2].value.toObject().value("i").toInt(), 5);
}

TEST(StreamDecoder, MessagesOfAnotherKeyDoNotDecode) {
    const auto foreign = StreamDecoder::encodeMessage(R"({"i":1})", QStringLiteral("another key"));
    ASSERT_TRUE(foreign);
    StreamDecoder decoder(key);
    const auto messages = decoder.feed(*foreign);
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_TRUE(messages[0].error);
}

} // namespace
