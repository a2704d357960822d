// ApiClient against a real tidewell-api on loopback.
#include "platform/notificationcenter.h"
#include "platform/secretstore.h"
#include "tarnwick/apiclient.h"
#include "tarnwick/payloadcipher.h"
#include "tarnwick/protocol.h"
#include "tarnwick/remotevaluesrefresher.h"
#include "testapiserver.h"

#include <QFile>
#include <gtest/gtest.h>

#include <future>

using namespace testsupport;
using tarnwick::ApiClient;
namespace proto = tarnwick::protocol;

namespace {

class ApiClientServer : public ::testing::Test {
protected:
    TestApiServer server{fastAccountOptions(),
                         QJsonObject{{"u.p.f.e", "1"}, {"s.l.c", "  "}, {"p.i.a.o", 3}}};
};

TEST_F(ApiClientServer, AdoptsAndKeepsTheInstallId) {
    const auto settings = server.clientSettings("install");
    QString firstId;
    {
        ApiClient client(settings);
        EXPECT_EQ(client.installId(), QString());
        const CallAnswer answer =
            postAndWait(client, "_user-validate-session", {{"userId", "u"}, {"sessionId", "s"}});
        EXPECT_EQ(answer.object().value("message"), "Session expired.");
        firstId = client.installId();
        EXPECT_EQ(firstId.size(), 32);
        EXPECT_EQ(platform::SecretStore(settings.secretStorePath).value(proto::installIdItem), firstId);
    }
    ApiClient again(settings);
    EXPECT_EQ(again.installId(), firstId) << "loaded from the secret store";
    postAndWait(again, "_user-details", {{"userId", "nobody"}});
    EXPECT_EQ(again.installId(), firstId) << "the server recognised the install";
}

TEST_F(ApiClientServer, StoresTheTokenOnlyWithoutVpn) {
    auto vpn = std::make_shared<std::atomic<bool>>(true);
    ApiClient client(server.clientSettings("vpn", vpn));
    postAndWait(client, "_user-details", {{"userId", "nobody"}});
    EXPECT_FALSE(client.installId().isEmpty());
    EXPECT_EQ(client.accessToken(), QString()) << "a token seen through a VPN is not kept";

    vpn->store(false);
    postAndWait(client, "_user-details", {{"userId", "nobody"}});
    const QString token = client.accessToken();
    EXPECT_EQ(token.size(), 64);

    // With the token sent back the server keeps it; a VPN call leaves the stored one alone.
    postAndWait(client, "_user-details", {{"userId", "nobody"}});
    EXPECT_EQ(client.accessToken(), token);
    vpn->store(true);
    client.storeAccessToken(QStringLiteral("kept"));
    postAndWait(client, "_user-details", {{"userId", "nobody"}});
    EXPECT_EQ(client.accessToken(), "kept");
}

TEST_F(ApiClientServer, FetchedRemoteValuesAreCachedForTheNextClient) {
    const auto settings = server.clientSettings("remote");
    {
        ApiClient client(settings);
        EXPECT_FALSE(client.hasRemoteValues());
        EXPECT_TRUE(client.remoteValue("u.p.f.e").isUndefined());
        std::promise<std::optional<tarnwick::ApiError>> done;
        client.fetchRemoteValues([&done](const auto &error) { done.set_value(error); });
        EXPECT_FALSE(done.get_future().get());
        EXPECT_TRUE(client.hasRemoteValues());
        EXPECT_EQ(client.remoteValue("u.p.f.e"), "1");
        EXPECT_EQ(client.remoteValue("p.i.a.o"), 3);
        EXPECT_TRUE(client.remoteValue("absent").isUndefined());
        EXPECT_TRUE(client.remoteValue(QString()).isUndefined());
    }
    ASSERT_TRUE(QFile::exists(settings.remoteValuesPath));
    ApiClient next(settings);
    EXPECT_FALSE(next.hasRemoteValues()) << "only a fetch in this run counts";
    EXPECT_EQ(next.remoteValue("u.p.f.e"), "1");
}

TEST_F(ApiClientServer, RemoteValuesResultIsThePayloadText) {
    ApiClient client(server.clientSettings("raw"));
    const CallAnswer answer = postAndWait(client, proto::remoteValuesEndpoint, {});
    ASSERT_TRUE(answer.result.isString());
    const auto plain = tarnwick::PayloadCipher::decrypt(answer.result.toString(), client.payloadKey());
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->contains("u.p.f.e"));
}

struct StreamCase {
    int count;
    int chunkSize;
};

void PrintTo(const StreamCase &v, std::ostream *os) {
    *os << v.count << " messages in chunks of " << v.chunkSize;
}

class ApiClientStreaming : public ApiClientServer, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(ApiClientStreaming, DeliversEveryMessageInOrderWhateverTheChunks) {
    ApiClient client(server.clientSettings("stream"));
    std::vector<QJsonValue> messages;
    std::vector<tarnwick::ApiError> errors;
    std::promise<bool> end;
    client.streamRequest(
        "_stream-echo",
        {{"text", "wäve"},
         {"count", QString::number(GetParam().count)},
         {"chunkSize", QString::number(GetParam().chunkSize)}},
        [&](const QJsonValue &value, const std::optional<tarnwick::ApiError> &error) {
            if (error)
                errors.push_back(*error);
            else
                messages.push_back(value);
        },
        [&end](bool success, const auto &) { end.set_value(success); });
    EXPECT_TRUE(end.get_future().get());
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(int(messages.size()), GetParam().count);
    for (int i = 0; i < GetParam().count; ++i) {
        EXPECT_EQ(messages[i].toObject().value("index"), i);
        EXPECT_EQ(messages[i].toObject().value("text"), QString::fromUtf8("wäve"));
    }
}

INSTANTIATE_TEST_SUITE_P(Chunks, ApiClientStreaming,
                         ::testing::Values(StreamCase{3, 0}, StreamCase{4, 1}, StreamCase{5, 7},
                                           StreamCase{2, 45}, StreamCase{20, 1000}, StreamCase{0, 0}));

TEST_F(ApiClientServer, StreamingAnAccountEndpointGivesItsAnswerAsOneMessage) {
    ApiClient client(server.clientSettings("stream-account"));
    std::vector<QJsonValue> messages;
    std::promise<bool> end;
    client.streamRequest(
        "_user-validate-session", {{"userId", "u"}, {"sessionId", "s"}},
        [&](const QJsonValue &value, const auto &) { messages.push_back(value); },
        [&end](bool success, const auto &) { end.set_value(success); });
    EXPECT_TRUE(end.get_future().get());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].toObject().value("message"), "Session expired.");
}

} // namespace

namespace {

TEST(RefresherWithClient, ATickFetchesFromTheServerAndPostsTheUpdate) {
    TestApiServer server(fastAccountOptions(), QJsonObject{{"f.r.e", "on"}});
    ApiClient client(server.clientSettings("refresher"));
    std::promise<void> posted;
    const auto token = platform::NotificationCenter::defaultCenter().addObserver(
        tarnwick::RemoteValuesRefresher::updateNotificationName(),
        [&posted](const platform::Notification &) { posted.set_value(); });

    // A clock that never fires on its own: the test ticks by hand.
    class StillClock : public tarnwick::RefreshClock {
    public:
        QDateTime now() const override { return QDateTime(QDate(2026, 12, 7), QTime(22, 0), Qt::UTC); }
        void start(std::chrono::milliseconds, std::function<void()>) override {}
        void stop() override {}
    };
    tarnwick::RemoteValuesRefresher refresher(
        [&client](tarnwick::FetchCompletion completion) { client.fetchRemoteValues(std::move(completion)); },
        std::make_unique<StillClock>());
    refresher.tick();
    posted.get_future().wait();
    platform::NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_TRUE(client.hasRemoteValues());
    EXPECT_EQ(client.remoteValue("f.r.e"), "on");
    EXPECT_EQ(refresher.failureCount(), 0);
    EXPECT_TRUE(refresher.lastRefresh().has_value());
}

} // namespace
