#include "idtokenverifier.h"
#include "tokensigner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using apiserver::IdTokenVerifier;
using apiserver::TokenError;
using apiserver::TokenPolicy;
using testsupport::TokenSigner;

namespace {

const QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(22, 0), Qt::UTC);
const TokenPolicy policy{{QStringLiteral("https://appleid.apple.com")},
                         QStringLiteral("app.tidewell.Tidewell")};

class IdTokenVerifierTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        signer = new TokenSigner(QStringLiteral("key-1"));
        other = new TokenSigner(QStringLiteral("key-1")); // same kid, different key
    }
    static void TearDownTestSuite() {
        delete signer;
        delete other;
    }

    static QJsonObject claims() {
        return {{"iss", "https://appleid.apple.com"},
                {"aud", "app.tidewell.Tidewell"},
                {"sub", "001234.abcd"},
                {"email", "user@example.com"},
                {"exp", double(now.toSecsSinceEpoch() + 600)}};
    }
    std::shared_ptr<const IdTokenVerifier> verifier() const {
        auto made = IdTokenVerifier::fromKeySet(signer->keySet());
        EXPECT_TRUE(made) << made.message().toStdString();
        return made ? *made : nullptr;
    }

    static TokenSigner *signer;
    static TokenSigner *other;
};
TokenSigner *IdTokenVerifierTest::signer = nullptr;
TokenSigner *IdTokenVerifierTest::other = nullptr;

TEST_F(IdTokenVerifierTest, AcceptsAGoodToken) {
    const auto result = verifier()->verify(signer->sign(claims()), policy, now);
    ASSERT_TRUE(result) << result.message().toStdString();
    EXPECT_EQ(result->value("sub"), "001234.abcd");
}

TEST_F(IdTokenVerifierTest, AcceptsAnAudienceList) {
    QJsonObject c = claims();
    c["aud"] = QJsonArray{"other", "app.tidewell.Tidewell"};
    EXPECT_TRUE(verifier()->verify(signer->sign(c), policy, now));
}

struct BadToken {
    const char *name;
    std::function<QString(const TokenSigner &, const TokenSigner &, QJsonObject)> make;
    TokenError reason;
};

void PrintTo(const BadToken &v, std::ostream *os) {
    *os << v.name;
}

class IdTokenVerifierBad : public IdTokenVerifierTest, public ::testing::WithParamInterface<BadToken> {};

TEST_P(IdTokenVerifierBad, IsRefusedForItsReason) {
    const auto result = verifier()->verify(GetParam().make(*signer, *other, claims()), policy, now);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.reason(), GetParam().reason);
}

QString withClaim(const TokenSigner &s, QJsonObject c, const char *name, const QJsonValue &value) {
    c[name] = value;
    return s.sign(c);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IdTokenVerifierBad,
    ::testing::Values(
        BadToken{"otherKey", [](auto &, auto &o, auto c) { return o.sign(c); }, TokenError::BadSignature},
        BadToken{"alteredClaims",
                 [](auto &s, auto &, auto c) {
                     QStringList parts = s.sign(c).split('.');
                     c["sub"] = "someone-else";
                     parts[1] = QString::fromLatin1(
                         QJsonDocument(c)
                             .toJson(QJsonDocument::Compact)
                             .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
                     return parts.join('.');
                 },
                 TokenError::BadSignature},
        BadToken{"algNone", [](auto &s, auto &, auto c) { return s.sign(c, "none"); }, TokenError::Malformed},
        BadToken{"hs256", [](auto &s, auto &, auto c) { return s.sign(c, "HS256"); }, TokenError::Malformed},
        BadToken{"twoParts", [](auto &s, auto &, auto c) { return s.sign(c).section('.', 0, 1); },
                 TokenError::Malformed},
        BadToken{"garbage", [](auto &, auto &, auto) { return QStringLiteral("a.b.c"); },
                 TokenError::Malformed},
        BadToken{"empty", [](auto &, auto &, auto) { return QString(); }, TokenError::Malformed},
        BadToken{"wrongIssuer",
                 [](auto &s, auto &, auto c) { return withClaim(s, c, "iss", "https://evil.example"); },
                 TokenError::WrongIssuer},
        BadToken{"wrongAudience",
                 [](auto &s, auto &, auto c) { return withClaim(s, c, "aud", "com.other.app"); },
                 TokenError::WrongAudience},
        BadToken{"expired",
                 [](auto &s, auto &, auto c) {
                     return withClaim(s, c, "exp", double(now.toSecsSinceEpoch() - 61));
                 },
                 TokenError::Expired},
        BadToken{"noExpiry",
                 [](auto &s, auto &, auto c) {
                     c.remove("exp");
                     return s.sign(c);
                 },
                 TokenError::Expired}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(IdTokenVerifierKeys, UnknownKidIsRefused) {
    TokenSigner signer(QStringLiteral("kid-a"));
    TokenSigner stranger(QStringLiteral("kid-b"));
    auto verifier = IdTokenVerifier::fromKeySet(signer.keySet());
    ASSERT_TRUE(verifier);
    const auto result = (*verifier)->verify(stranger.sign({{"exp", 1e12}}), policy, now);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.reason(), TokenError::UnknownKey);
}

TEST(IdTokenVerifierKeys, KeySetsWithoutUsableKeysAreRefused) {
    for (const QByteArray &json : {QByteArray(), QByteArray("[]"), QByteArray(R"({"keys":[]})"),
                                   QByteArray(R"({"keys":[{"kty":"EC","kid":"a"}]})"),
                                   QByteArray(R"({"keys":[{"kty":"RSA","kid":"a","n":"!!","e":"AQAB"}]})")}) {
        const auto verifier = IdTokenVerifier::fromKeySet(json);
        ASSERT_FALSE(verifier) << json.toStdString();
        EXPECT_EQ(verifier.reason(), TokenError::KeySetUnreadable);
    }
    EXPECT_FALSE(IdTokenVerifier::fromKeySetFile(QStringLiteral("/nonexistent/keys.json")));
}

} // namespace
