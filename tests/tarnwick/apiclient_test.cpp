// ApiClient against scripted loopback servers: the exact bytes it sends, and every kind of
// reply the response steps distinguish.
#include "platform/secretstore.h"
#include "scriptedserver.h"
#include "tarnwick/apiclient.h"
#include "tarnwick/payloadcipher.h"
#include "tarnwick/protocol.h"
#include "tarnwick/streamdecoder.h"
#include "testapiserver.h"

#include <QJsonDocument>
#include <QNetworkReply>
#include <gtest/gtest.h>

#include <future>

using namespace testsupport;
using tarnwick::ApiClient;
using tarnwick::PayloadCipher;
namespace proto = tarnwick::protocol;

namespace {

const QString appId = QStringLiteral("app.tidewell.Tidewell");

QString key() {
    return PayloadCipher::payloadKey(appId);
}

std::string encryptedAnswer(const QByteArray &json, const QString &installId = QStringLiteral("install-1")) {
    QJsonObject envelope{{proto::payloadField, *PayloadCipher::encrypt(QString::fromUtf8(json), key())}};
    if (!installId.isEmpty())
        envelope.insert(proto::installIdField, installId);
    return QJsonDocument(envelope).toJson(QJsonDocument::Compact).toStdString();
}

// The positions of the keys in a JSON text, to check the order in which they were written.
std::vector<qsizetype> keyPositions(const QByteArray &json, const QStringList &keys) {
    std::vector<qsizetype> positions;
    for (const QString &name : keys)
        positions.push_back(json.indexOf('"' + name.toUtf8() + "\":"));
    return positions;
}

QByteArray innerRecord(const QByteArray &body) {
    const QJsonObject envelope = QJsonDocument::fromJson(body).object();
    const auto plain = PayloadCipher::decrypt(envelope.value(proto::payloadField).toString(), key());
    EXPECT_TRUE(plain);
    return plain.value_or(QString()).toUtf8();
}

TEST(ApiClientRequest, EnvelopeInnerRecordAndHeadersAreInOrder) {
    ScriptedServer server([](const http::HttpRequest &) {
        return http::HttpResponse::data(encryptedAnswer(R"({"ok":true})", {}), "application/json");
    });
    ApiClient client(testClientSettings(server.url(), "order"));
    client.setExtraDeviceValue(QStringLiteral("extra-value"));
    const CallAnswer answer = postAndWait(client, QStringLiteral("_user-login"),
                                          {{"email", "a@example.com"},
                                           {"vpn", "caller"},
                                           {"endpoint", "spoof"},
                                           {"missing", QJsonValue::Null}});
    EXPECT_EQ(answer.object().value("ok"), true);
    ASSERT_EQ(server.requests().size(), 1u);
    const RecordedRequest request = server.requests()[0];
    EXPECT_EQ(request.method, proto::httpMethod);
    EXPECT_EQ(request.header(proto::contentTypeHeader), proto::jsonMediaType);
    EXPECT_EQ(request.header(proto::acceptHeader), proto::jsonMediaType);
    EXPECT_EQ(request.header(proto::tokenHeader), proto::defaultToken);

    const QJsonObject envelope = QJsonDocument::fromJson(request.body).object();
    EXPECT_EQ(envelope.keys().size(), 4) << "no install id while none is stored";
    EXPECT_EQ(envelope.value(proto::appIdentifierField), appId);
    EXPECT_EQ(envelope.value(proto::clientTagField), proto::clientTag);
    EXPECT_EQ(envelope.value(proto::appVersionField), "1.2.3");
    const auto outer = keyPositions(request.body, {proto::appIdentifierField, proto::clientTagField,
                                                   proto::appVersionField, proto::payloadField});
    EXPECT_TRUE(std::is_sorted(outer.begin(), outer.end()) && outer[0] >= 0) << request.body.toStdString();

    const QByteArray inner = innerRecord(request.body);
    const QJsonObject record = QJsonDocument::fromJson(inner).object();
    EXPECT_EQ(record.value(proto::extraDeviceField), "extra-value");
    EXPECT_EQ(record.value(proto::vpnField), "caller") << "the caller's keys win";
    EXPECT_EQ(record.value(proto::endpointField), "_user-login") << "the endpoint is written last";
    EXPECT_TRUE(record.value("missing").isNull());
    EXPECT_FALSE(record.contains(proto::streamField));
    const auto order = keyPositions(inner, {proto::extraDeviceField, proto::deviceNameField,
                                            proto::machineField, proto::timeZoneField, proto::vpnField,
                                            proto::dateField, "email", "missing", proto::endpointField});
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()) && order[0] >= 0) << inner.toStdString();
}

TEST(ApiClientRequest, StoredIdentitiesTravelInEnvelopeAndHeader) {
    ScriptedServer server([](const http::HttpRequest &) {
        return http::HttpResponse::data(encryptedAnswer("{}", {}), "application/json");
    });
    ApiClient client(testClientSettings(server.url(), "stored"));
    client.storeInstallId(QStringLiteral("install-42"));
    client.storeAccessToken(QStringLiteral("token-42"));
    postAndWait(client, QStringLiteral("_user-details"), {});
    const RecordedRequest request = server.requests().at(0);
    EXPECT_EQ(QJsonDocument::fromJson(request.body).object().value(proto::installIdField), "install-42");
    EXPECT_EQ(request.header(proto::tokenHeader), "token-42");
}

TEST(ApiClientRequest, MissingEndpointFailsWithoutTraffic) {
    ScriptedServer server(
        [](const http::HttpRequest &) { return http::HttpResponse::withStatus(500); });
    ApiClient client(testClientSettings(server.url(), "missing"));
    const CallAnswer answer = postAndWait(client, QString(), {{"email", "a@example.com"}});
    EXPECT_TRUE(answer.result.isUndefined());
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->domain, proto::errorDomain);
    EXPECT_EQ(answer.error->code, 0);
    EXPECT_EQ(answer.error->description, proto::missingEndpointDescription);
    EXPECT_TRUE(server.requests().empty());
}

struct ReplyCase {
    const char *name;
    int status;
    std::string body;
    bool expectResult;
    const char *errorDomain; // nullptr: no error
};

void PrintTo(const ReplyCase &v, std::ostream *os) {
    *os << v.name;
}

class ApiClientReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ApiClientReply, GivesTheResultAndErrorOfItsStep) {
    const ReplyCase reply = GetParam();
    ScriptedServer server([reply](const http::HttpRequest &) {
        http::HttpResponse response = http::HttpResponse::data(reply.body, "application/json");
        response.status = reply.status;
        return response;
    });
    ApiClient client(testClientSettings(server.url(), QString::fromLatin1(reply.name)));
    const CallAnswer answer = postAndWait(client, QStringLiteral("_user-details"), {});
    EXPECT_EQ(!answer.result.isUndefined(), reply.expectResult);
    if (reply.errorDomain) {
        ASSERT_TRUE(answer.error);
        EXPECT_EQ(answer.error->domain, reply.errorDomain);
    } else {
        EXPECT_FALSE(answer.error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ApiClientReply,
    ::testing::Values(
        ReplyCase{"good", 200, encryptedAnswer(R"({"result":{}})"), true, nullptr},
        ReplyCase{"noPayload", 200, R"({"installId":"i"})", false, nullptr},
        ReplyCase{"notUtf8", 200, std::string("\xff\xfe\x80", 3), false, nullptr},
        ReplyCase{"notJson", 200, "<html>", false, proto::jsonErrorDomain},
        ReplyCase{"payloadNotText", 200, R"({"payload":12})", false, nullptr},
        ReplyCase{"undecryptable", 200, R"({"payload":"AAAAAAAAAAAAAAAAAAAAAA=="})", false, nullptr},
        ReplyCase{"payloadNotJson", 200, encryptedAnswer("not json"), false, proto::jsonErrorDomain},
        ReplyCase{"serverError", 500, "{}", false, proto::networkErrorDomain}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ApiClientReply, ReplyWithoutPayloadStillAdoptsTheInstallIdAndToken) {
    ScriptedServer server([](const http::HttpRequest &) {
        return http::HttpResponse::data(R"({"installId":"install-7"})", "application/json")
            .withHeader(proto::tokenHeader, "token-from-server");
    });
    ApiClient client(testClientSettings(server.url(), "nopayload"));
    const CallAnswer answer = postAndWait(client, QStringLiteral("_user-details"), {});
    EXPECT_TRUE(answer.result.isUndefined());
    EXPECT_FALSE(answer.error);
    EXPECT_EQ(client.installId(), "install-7");
    EXPECT_EQ(client.accessToken(), "token-from-server");
}

TEST(ApiClientReply, TokenWithoutInstallIdFieldIsNotStored) {
    ScriptedServer server([](const http::HttpRequest &) {
        return http::HttpResponse::data(encryptedAnswer("{}", {}), "application/json")
            .withHeader(proto::tokenHeader, "token-x");
    });
    ApiClient client(testClientSettings(server.url(), "noinstall"));
    postAndWait(client, QStringLiteral("_user-details"), {});
    EXPECT_EQ(client.accessToken(), QString());
}

TEST(ApiClientReply, TransportErrorWhenNobodyListens) {
    QUrl url;
    {
        ScriptedServer server([](const http::HttpRequest &) { return http::HttpResponse(); });
        url = server.url();
    }
    ApiClient client(testClientSettings(url, "refused"));
    const CallAnswer answer = postAndWait(client, QStringLiteral("_user-details"), {});
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->domain, proto::networkErrorDomain);
    EXPECT_EQ(answer.error->code, int(QNetworkReply::ConnectionRefusedError));
}

TEST(ApiClientRemoteValues, ABrokenBlobKeepsTheCachedValues) {
    std::atomic<bool> broken{false};
    ScriptedServer server([&broken](const http::HttpRequest &) {
        if (broken)
            return http::HttpResponse::data(R"({"installId":"i","payload":"AAAA"})", "application/json");
        return http::HttpResponse::data(encryptedAnswer(R"({"f.r.e":"on"})"), "application/json");
    });
    ApiClient client(testClientSettings(server.url(), "brokenblob"));
    std::promise<std::optional<tarnwick::ApiError>> first;
    client.fetchRemoteValues([&first](const auto &error) { first.set_value(error); });
    EXPECT_FALSE(first.get_future().get());
    EXPECT_EQ(client.remoteValue("f.r.e"), "on");

    broken = true;
    std::promise<std::optional<tarnwick::ApiError>> second;
    client.fetchRemoteValues([&second](const auto &error) { second.set_value(error); });
    const auto error = second.get_future().get();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, proto::NoRemoteValues);
    EXPECT_EQ(client.remoteValue("f.r.e"), "on");
    ApiClient reader(testClientSettings(server.url(), "brokenblob"));
    EXPECT_EQ(reader.remoteValue("f.r.e"), "on") << "the file still holds the good blob";
}

TEST(ApiClientStream, CancelEndsAStalledStreamWithAnError) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ScriptedServer server([released](const http::HttpRequest &) {
        http::HttpResponse response;
        response.contentType = "text/event-stream";
        response.chunks = [released](const http::ChunkWriter &write) {
            const auto first = tarnwick::StreamDecoder::encodeMessage(R"({"index":0})",
                                                                      QString::fromLatin1(proto::streamKey));
            write(first->constData(), size_t(first->size()));
            released.wait(); // stalls until the test is done
            return false;
        };
        return response;
    });
    ApiClient client(testClientSettings(server.url(), "cancel"));
    std::promise<QJsonValue> message;
    std::promise<std::pair<bool, std::optional<tarnwick::ApiError>>> end;
    client.streamRequest(
        QStringLiteral("_stream-echo"), {},
        [&message](const QJsonValue &value, const auto &) { message.set_value(value); },
        [&end](bool success, const auto &error) {
            end.set_value({success, error});
        });
    EXPECT_EQ(message.get_future().get().toObject().value("index"), 0);
    client.cancelStream();
    const auto [success, error] = end.get_future().get();
    release.set_value();
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, int(QNetworkReply::OperationCanceledError));
}

} // namespace

namespace {

TEST(ApiClientLifetime, DestroyingAClientDropsItsRunningCalls) {
    std::promise<void> arrived;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ScriptedServer server([&arrived, released](const http::HttpRequest &) {
        arrived.set_value();
        released.wait();
        return http::HttpResponse::data("{}", "application/json");
    });
    std::atomic<int> completions{0};
    {
        ApiClient client(testClientSettings(server.url(), "lifetime"));
        client.post("_user-details", {}, [&completions](const QJsonValue &, const auto &) { ++completions; });
        arrived.get_future().wait();
    }
    release.set_value();
    EXPECT_EQ(completions, 0);
}

} // namespace
