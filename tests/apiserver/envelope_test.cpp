// ApiService without HTTP: the envelope checks, install ids and tokens, streamed chunks.
#include "apiservice.h"
#include "mailer.h"
#include "serveroptions.h"
#include "tarnwick/payloadcipher.h"
#include "tarnwick/protocol.h"
#include "tarnwick/streamdecoder.h"
#include "testapiserver.h"
#include "testenvironment.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace apiserver;
using tarnwick::PayloadCipher;
namespace proto = tarnwick::protocol;

namespace {

class NoMailer : public Mailer {
public:
    bool send(const QString &, const QString &, const QString &) override { return false; }
};

const QString app = QStringLiteral("com.example.Other");

QByteArray request(const QJsonObject &inner, const QString &installId = {}, const QString &key = {}) {
    QJsonObject envelope{
        {proto::appIdentifierField, app},
        {proto::clientTagField, proto::clientTag},
        {proto::payloadField, *PayloadCipher::encrypt(QString::fromUtf8(QJsonDocument(inner).toJson()),
                                                      key.isEmpty() ? PayloadCipher::payloadKey(app) : key)}};
    if (!installId.isEmpty())
        envelope.insert(proto::installIdField, installId);
    return QJsonDocument(envelope).toJson();
}

class EnvelopeTest : public ::testing::Test {
protected:
    EnvelopeTest()
        : database(DatabaseConfig::fromArgument(testsupport::sandboxRoot() + "/envelope.sqlite"))
        , accounts(database, testsupport::fastAccountOptions(), mailer, clock)
        , service(database, accounts, QJsonObject{{"f.r.e", "on"}}, clock) {
        EXPECT_TRUE(createSchema(database));
    }

    QJsonObject decryptedAnswer(const ServiceAnswer &answer) const {
        const auto plain = PayloadCipher::decrypt(
            QJsonDocument::fromJson(answer.body).object().value(proto::payloadField).toString(),
            PayloadCipher::payloadKey(app));
        EXPECT_TRUE(plain);
        return QJsonDocument::fromJson(plain.value_or(QString()).toUtf8()).object();
    }

    Clock clock = [] {
        return QDateTime(QDate(2026, 12, 7), QTime(22, 0), Qt::UTC);
    };
    DatabaseConfig database;
    NoMailer mailer;
    AccountService accounts;
    ApiService service;
};

struct BadEnvelope {
    const char *name;
    QByteArray body;
};

void PrintTo(const BadEnvelope &v, std::ostream *os) {
    *os << v.name;
}

class EnvelopeRefused : public EnvelopeTest, public ::testing::WithParamInterface<BadEnvelope> {};

TEST_P(EnvelopeRefused, With400AndAPlainError) {
    const ServiceAnswer answer = service.handle(GetParam().body, {});
    EXPECT_EQ(answer.status, 400);
    EXPECT_TRUE(QJsonDocument::fromJson(answer.body).object().value("error").isString());
    EXPECT_TRUE(answer.token.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnvelopeRefused,
    ::testing::Values(BadEnvelope{"empty", {}}, BadEnvelope{"notJson", "payload=1"},
                      BadEnvelope{"array", "[]"}, BadEnvelope{"noApp", R"({"payload":"AAAA"})"},
                      BadEnvelope{"noPayload", R"({"app":"com.example.Other"})"},
                      BadEnvelope{"payloadNotBase64", R"({"app":"com.example.Other","payload":"%%%"})"},
                      BadEnvelope{"otherKey", request({{"endpoint", "_user-details"}}, {}, "another key")},
                      BadEnvelope{"noEndpoint", request({{"userId", "x"}})}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(EnvelopeTest, UnknownEndpointAnswersAnErrorInThePayload) {
    const ServiceAnswer answer = service.handle(request({{"endpoint", "_no-such-thing"}}), {});
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(decryptedAnswer(answer).value("error"), "Unknown endpoint: _no-such-thing");
}

TEST_F(EnvelopeTest, InstallIdsAndTokensAreHandedOutAndKept) {
    const ServiceAnswer first = service.handle(request({{"endpoint", "_user-details"}}), proto::defaultToken);
    const QString installId =
        QJsonDocument::fromJson(first.body).object().value(proto::installIdField).toString();
    EXPECT_EQ(installId.size(), 32);
    EXPECT_EQ(first.token.size(), 64);

    const ServiceAnswer same =
        service.handle(request({{"endpoint", "_user-details"}}, installId), first.token);
    EXPECT_EQ(QJsonDocument::fromJson(same.body).object().value(proto::installIdField), installId);
    EXPECT_EQ(same.token, first.token);

    const ServiceAnswer renewed =
        service.handle(request({{"endpoint", "_user-details"}}, installId), "stale");
    EXPECT_EQ(QJsonDocument::fromJson(renewed.body).object().value(proto::installIdField), installId);
    EXPECT_NE(renewed.token, first.token);

    const ServiceAnswer stranger =
        service.handle(request({{"endpoint", "_user-details"}}, "made-up"), first.token);
    EXPECT_NE(QJsonDocument::fromJson(stranger.body).object().value(proto::installIdField), installId);
}

TEST_F(EnvelopeTest, FailedMailIsReportedNotHidden) {
    service.handle(
        request({{"endpoint", "_user-signup"}, {"email", "n@example.com"}, {"password", "12345678"}}), {});
    const ServiceAnswer answer =
        service.handle(request({{"endpoint", "_user-forgot-password"}, {"email", "n@example.com"}}), {});
    EXPECT_EQ(decryptedAnswer(answer).value("error"), "The server could not complete the request.");
}

TEST_F(EnvelopeTest, StreamChunksHaveTheAskedSizeAndDecode) {
    const ServiceAnswer answer = service.handle(request({{"endpoint", "_stream-echo"},
                                                         {"stream", true},
                                                         {"count", "4"},
                                                         {"chunkSize", "3"},
                                                         {"text", "hi"}}),
                                                {});
    ASSERT_TRUE(answer.streamed);
    ASSERT_GT(answer.chunks.size(), 4u);
    tarnwick::StreamDecoder decoder(QString::fromLatin1(proto::streamKey));
    std::vector<tarnwick::StreamMessage> messages;
    for (const QByteArray &chunk : answer.chunks) {
        EXPECT_LE(chunk.size(), 3);
        for (auto &message : decoder.feed(chunk))
            messages.push_back(std::move(message));
    }
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3].value.toObject().value("index"), 3);
}

TEST(ServerOptions, ParsesTheFlagsAndRefusesBadOnes) {
    const auto options =
        parseServerOptions({"tidewell-api", "--db", "postgresql://u:p@db.local:5433/tw", "--port", "0",
                            "--google-development", "--argon2-memory", "64", "--argon2-passes", "1"});
    ASSERT_TRUE(options) << options.message().toStdString();
    EXPECT_EQ(options->port, 0);
    EXPECT_EQ(options->bindAddress, "127.0.0.1") << "loopback unless told otherwise";
    EXPECT_TRUE(options->googleDevelopment);
    EXPECT_EQ(options->argon2.memoryBytes, 64u * 1024);
    EXPECT_EQ(options->argon2.passes, 1u);
    const DatabaseConfig postgres = DatabaseConfig::fromArgument(options->database);
    EXPECT_EQ(postgres.driver, "QPSQL");
    EXPECT_EQ(postgres.host, "db.local");
    EXPECT_EQ(postgres.port, 5433);
    EXPECT_EQ(postgres.databaseName, "tw");
    EXPECT_FALSE(postgres.describe().contains(":p@")) << "the password stays out of log lines";

    for (const QStringList &bad : {QStringList{"x", "--port", "70000"}, QStringList{"x", "--port", "http"},
                                   QStringList{"x", "--argon2-memory", "4"},
                                   QStringList{"x", "--argon2-passes", "0"}, QStringList{"x", "--unknown"},
                                   QStringList{"x", "--apple-keys", "k.json"}, QStringList{"x", "stray"}}) {
        const auto parsed = parseServerOptions(bad);
        ASSERT_FALSE(parsed) << bad.join(' ').toStdString();
        EXPECT_EQ(parsed.reason(), OptionError::Invalid);
    }
}

TEST(ServerOptions, RemoteValuesMustBeAJsonObject) {
    const QString good = testsupport::sandboxRoot() + "/rv-good.json";
    const QString bad = testsupport::sandboxRoot() + "/rv-bad.json";
    testsupport::writeFile(good, R"({"s.l.c":"1"})");
    testsupport::writeFile(bad, R"(["s.l.c"])");
    EXPECT_EQ(loadRemoteValues(good)->value("s.l.c"), "1");
    EXPECT_FALSE(loadRemoteValues(bad));
    EXPECT_FALSE(loadRemoteValues(testsupport::sandboxRoot() + "/missing.json"));
    EXPECT_TRUE(loadRemoteValues(QString())->isEmpty());
}

} // namespace
