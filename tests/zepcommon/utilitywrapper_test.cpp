#include "tarnwick/apiclient.h"
#include "tarnwick/payloadcipher.h"
#include "tarnwick/protocol.h"
#include "testenvironment.h"
#include "zepcommon/utility/remotevalues.h"
#include "zepcommon/utility/utilitywrapper.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// A client whose cache file holds the given remote values, as a fetch would have left it.
class UtilityWrapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        tarnwick::ApiClientSettings settings;
        settings.appIdentifier = QStringLiteral("app.tidewell.Tidewell");
        settings.serviceUrl = QUrl(QStringLiteral("http://127.0.0.1:9/unused"));
        settings.secretStorePath = testsupport::sandboxRoot() + "/utility/secrets.json";
        settings.remoteValuesPath = testsupport::sandboxRoot() + "/utility/remote-values.dat";
        const QJsonObject values{{"u.p.f.e", "yes"},    {"s.l.c", " \n\t "},         {"p.i.a.o", 0},
                                 {"f.r.e", false},      {"n.u.l", QJsonValue::Null}, {"e.a", QJsonArray{}},
                                 {"f.a", QJsonArray{1}}};
        const auto blob =
            tarnwick::PayloadCipher::encrypt(QString::fromUtf8(QJsonDocument(values).toJson()),
                                             tarnwick::PayloadCipher::payloadKey(settings.appIdentifier));
        ASSERT_TRUE(blob);
        testsupport::writeFile(settings.remoteValuesPath, blob->toUtf8());
        m_client = std::make_unique<tarnwick::ApiClient>(settings);
        UtilityWrapper::setApiClient(m_client.get());
    }
    void TearDown() override { UtilityWrapper::setApiClient(nullptr); }

    std::unique_ptr<tarnwick::ApiClient> m_client;
};

TEST_F(UtilityWrapperTest, ReadsCachedRemoteValues) {
    EXPECT_EQ(UtilityWrapper::valueForEventKey("u.p.f.e"), "yes");
    EXPECT_TRUE(UtilityWrapper::valueForEventKey("absent").isUndefined());
    EXPECT_TRUE(UtilityWrapper::valueForEventKey(QString()).isUndefined());
}

struct Availability {
    const char *key;
    bool available;
};

void PrintTo(const Availability &a, std::ostream *os) {
    *os << a.key;
}

class UtilityWrapperAvailability : public UtilityWrapperTest,
                                   public ::testing::WithParamInterface<Availability> {};

TEST_P(UtilityWrapperAvailability, FollowsIsEmptyString) {
    EXPECT_EQ(UtilityWrapper::isValueAvailableForEventKey(GetParam().key), GetParam().available);
    // The interface the screens take reads the same values.
    const TarnwickRemoteValues values;
    EXPECT_EQ(values.isValueAvailable(GetParam().key), GetParam().available);
    EXPECT_EQ(values.valueForKey(GetParam().key), UtilityWrapper::valueForEventKey(GetParam().key));
}

INSTANTIATE_TEST_SUITE_P(Keys, UtilityWrapperAvailability,
                         ::testing::Values(Availability{"u.p.f.e", true}, Availability{"s.l.c", false},
                                           Availability{"p.i.a.o", true}, Availability{"f.r.e", true},
                                           Availability{"n.u.l", false}, Availability{"e.a", false},
                                           Availability{"f.a", true}, Availability{"absent", false}));

TEST(UtilityWrapper, IsEmptyStringTrimsWhiteSpaceAndLineBreaks) {
    EXPECT_TRUE(UtilityWrapper::isEmptyString(QJsonValue(QJsonValue::Undefined)));
    EXPECT_TRUE(UtilityWrapper::isEmptyString(QJsonValue::Null));
    EXPECT_TRUE(UtilityWrapper::isEmptyString(QString()));
    EXPECT_TRUE(UtilityWrapper::isEmptyString(QStringLiteral("\r\n \t\u00a0")));
    EXPECT_FALSE(UtilityWrapper::isEmptyString(QStringLiteral(" x ")));
    EXPECT_FALSE(UtilityWrapper::isEmptyString(0));
}

TEST(UtilityWrapper, NotificationNameIsTheRefreshers) {
    EXPECT_EQ(TarnwickRemoteValues().updateNotificationName(),
              UtilityWrapper::updateEventsNotificationName());
    EXPECT_EQ(UtilityWrapper::updateEventsNotificationName(),
              tarnwick::protocol::remoteValuesUpdatedNotification);
}

TEST(UtilityWrapper, EncodeAndDecodeUseThePayloadCipher) {
    const auto encoded =
        UtilityWrapper::encodeString(QStringLiteral("Tidewell"), QStringLiteral("0123456789"));
    EXPECT_EQ(encoded, QStringLiteral("VF8yxtWgUJ/bmaiNGs8OsA=="));
    EXPECT_EQ(UtilityWrapper::decodeString(QStringLiteral("VF8yxtWgUJ/bmaiNGs8OsA=="),
                                           QStringLiteral("0123456789")),
              QStringLiteral("Tidewell"));
    EXPECT_EQ(UtilityWrapper::decodeString(QStringLiteral("VF8yxtWg"), QStringLiteral("0123456789")),
              std::nullopt);
}

} // namespace
