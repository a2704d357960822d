// Known-answer vectors were made with the openssl command line, for example:
//   printf '%s' Tidewell | openssl enc -aes-128-cbc -base64 -A
//       -K 30313233343536373839000000000000 -iv 00000000000000000000000000000000
#include "tarnwick/payloadcipher.h"

#include <gtest/gtest.h>

using tarnwick::PayloadCipher;
using tarnwick::StringCipher;

namespace {

struct Vector {
    const char *key;
    const char *plain;
    const char *cipher;
};

void PrintTo(const Vector &v, std::ostream *os) {
    *os << v.key << " / " << v.plain;
}

const char *const multiBlock = "The quick brown fox jumps over the lazy dog, twice over: ünïcödé ✓";

// Keys of 10, 16, 20, 32 and 40 bytes; texts that are empty, short and several blocks long.
const Vector vectors[] = {
    {"0123456789", "", "DLFUOJoLPjidg0rqD9+Elw=="},
    {"0123456789", "Tidewell", "VF8yxtWgUJ/bmaiNGs8OsA=="},
    {"0123456789", multiBlock,
     "F72OV+2sP4IXWHSb3ElvyfiPEFe1Ie+pE2ftkwYr7YyePm/"
     "r3rpwlKszzHRmMcao+OqLR4Mwxofopaxe9J6LrrYK6FDOs9jYb94DwQ02M0I="},
    {"0123456789abcdef", "", "N3Ii4GGpJMWRzZwn6hY+1A=="},
    {"0123456789abcdef", "Tidewell", "JpOUDo1MLqJbPVvVbxFtCQ=="},
    {"0123456789abcdef", multiBlock,
     "COrscqJ3XopBLpJzH0pKLq8hKG6r8AIx4/ODbadt8rdZq+gw5jp/"
     "uKEXsf5aGcQw9NL14HS3Ho7PPtX5h+MGT2GDydECm7Doq+Gm0jialPQ="},
    {"0123456789abcdefghij", "", "ZNRRN0kyDQYboSAm6OjKdw=="},
    {"0123456789abcdefghij", "Tidewell", "WCh+hMe+RFLAxmJx+3r0qA=="},
    {"0123456789abcdefghij", multiBlock,
     "TFbcopqfe24y8vWTHzNfXGUAOv8x0EUBuBuKA/nC/59Vp4YRY3/yQQ0D8sd280Or15O/avLtt9+vZH/uQKk/"
     "r+HsdMC34CfDKAftGAs+4oA="},
    {"0123456789abcdefghijklmnopqrstuv", "", "zKGJcn0+JLNUCgiokKlCUw=="},
    {"0123456789abcdefghijklmnopqrstuv", "Tidewell", "/w21UJpDfbeJzGp79tT7gw=="},
    {"0123456789abcdefghijklmnopqrstuv", multiBlock,
     "SkyyVCNtPDVwOXHvah4QP9HRDFUkiXGxQm5IW6fSqmqfn1Le/"
     "U7T8Oli5L2MWcadewqcPrn1+5sqi2Qjh4CXqRiKfxTFRu7bGhnfus47kzo="},
    // 40 bytes: only the first 32 count, so the answers equal those of the 32-byte key.
    {"0123456789abcdefghijklmnopqrstuvwxyzABCD", "", "zKGJcn0+JLNUCgiokKlCUw=="},
    {"0123456789abcdefghijklmnopqrstuvwxyzABCD", "Tidewell", "/w21UJpDfbeJzGp79tT7gw=="},
    {"0123456789abcdefghijklmnopqrstuvwxyzABCD", multiBlock,
     "SkyyVCNtPDVwOXHvah4QP9HRDFUkiXGxQm5IW6fSqmqfn1Le/"
     "U7T8Oli5L2MWcadewqcPrn1+5sqi2Qjh4CXqRiKfxTFRu7bGhnfus47kzo="},
};

class PayloadCipherVectors : public ::testing::TestWithParam<Vector> {};

TEST_P(PayloadCipherVectors, EncryptsToTheOpensslAnswer) {
    const Vector v = GetParam();
    EXPECT_EQ(PayloadCipher::encrypt(QString::fromUtf8(v.plain), QString::fromUtf8(v.key)),
              QString::fromLatin1(v.cipher));
}

TEST_P(PayloadCipherVectors, DecryptsTheOpensslAnswer) {
    const Vector v = GetParam();
    EXPECT_EQ(PayloadCipher::decrypt(QString::fromLatin1(v.cipher), QString::fromUtf8(v.key)),
              QString::fromUtf8(v.plain));
}

INSTANTIATE_TEST_SUITE_P(OpensslEnc, PayloadCipherVectors, ::testing::ValuesIn(vectors));

struct KeyLength {
    int keyBytes;
    int aesBytes;
};

void PrintTo(const KeyLength &v, std::ostream *os) {
    *os << v.keyBytes << " bytes";
}

class PayloadCipherKeyLength : public ::testing::TestWithParam<KeyLength> {};

TEST_P(PayloadCipherKeyLength, PadsOrCutsToAnAesKeySize) {
    const QByteArray key(GetParam().keyBytes, 'k');
    const QByteArray aes = PayloadCipher::aesKey(key);
    ASSERT_EQ(aes.size(), GetParam().aesBytes);
    const int kept = std::min(GetParam().keyBytes, GetParam().aesBytes);
    EXPECT_EQ(aes.left(kept), key.left(kept));
    EXPECT_EQ(aes.mid(kept), QByteArray(GetParam().aesBytes - kept, '\0'));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, PayloadCipherKeyLength,
                         ::testing::Values(KeyLength{0, 16}, KeyLength{10, 16}, KeyLength{16, 16},
                                           KeyLength{17, 24}, KeyLength{20, 24}, KeyLength{24, 24},
                                           KeyLength{25, 32}, KeyLength{32, 32}, KeyLength{40, 32}));

TEST(PayloadCipher, KeyLengthCountsBytesNotCharacters) {
    // Eight characters of two UTF-8 bytes each: 16 bytes, still AES-128.
    EXPECT_EQ(PayloadCipher::aesKey(QString::fromUtf8("éééééééé").toUtf8()).size(), 16);
    EXPECT_EQ(PayloadCipher::aesKey(QString::fromUtf8("ééééééééé").toUtf8()).size(), 24);
}

TEST(PayloadCipher, PayloadKeyOfALongIdentifierIsTheIdentifier) {
    const QString identifier = QStringLiteral("com.example.a-very-long-identifier-of-40");
    ASSERT_GE(identifier.size(), 32);
    EXPECT_EQ(PayloadCipher::payloadKey(identifier), identifier);
    const QString exactly32 = QString(32, 'x');
    EXPECT_EQ(PayloadCipher::payloadKey(exactly32), exactly32);
}

TEST(PayloadCipher, PayloadKeyOfAShortIdentifierIsExtendedTo32) {
    const QString key = PayloadCipher::payloadKey(QStringLiteral("app.tidewell.Tidewell"));
    EXPECT_TRUE(key.startsWith(QLatin1String("app.tidewell.Tidewell#tw7")));
    EXPECT_GE(key.size(), 32);
    // Repeated suffixes: never more than one suffix past 32 characters.
    EXPECT_LT(key.size(), 32 + 4);
    EXPECT_GE(PayloadCipher::payloadKey(QString()).size(), 32);
}

TEST(PayloadCipher, RoundTripsUnicodeAndLongTexts) {
    const QString key = QStringLiteral("round-trip");
    for (const QString &text :
         {QString(), QStringLiteral("a"), QString(15, 'x'), QString(16, 'x'), QString(17, 'x'),
          QString::fromUtf8("日本語のテキスト 🌊"), QString(5000, 'z')}) {
        const auto cipher = PayloadCipher::encrypt(text, key);
        ASSERT_TRUE(cipher);
        EXPECT_FALSE(cipher->contains('\n'));
        EXPECT_EQ(PayloadCipher::decrypt(*cipher, key), text);
    }
}

TEST(PayloadCipher, BadInputGivesNothing) {
    const QString key = QStringLiteral("0123456789");
    const QString good = QStringLiteral("F72OV+2sP4IXWHSb3ElvyfiPEFe1Ie+pE2ftkwYr7YyePm/"
                                        "r3rpwlKszzHRmMcao+OqLR4Mwxofopaxe9J6LrrYK6FDOs9jYb94DwQ02M0I=");
    QString flippedLastBlock = good;
    flippedLastBlock[good.size() - 4] = flippedLastBlock[good.size() - 4] == 'A' ? 'B' : 'A';
    const QString cases[] = {
        QString(),                            // empty
        QStringLiteral("not base64 at all!"), // outside the alphabet
        good.left(good.size() - 4),           // truncated by a block's worth
        good.left(good.size() - 1),           // broken padding
        good.left(10),                        // not a whole block
        flippedLastBlock,                     // padding no longer valid
        good + QStringLiteral("AAAA"),        // trailing garbage
    };
    for (const QString &text : cases)
        EXPECT_EQ(PayloadCipher::decrypt(text, key), std::nullopt) << text.toStdString();
    EXPECT_EQ(PayloadCipher::decrypt(good, QStringLiteral("wrong key")), std::nullopt);
}

TEST(StringCipher, UsesTheSha256OfTheKey) {
    // printf '%s' 'hello world' | openssl enc -aes-256-cbc -K $(printf '%s' 'secret key' | sha256sum) ...
    EXPECT_EQ(StringCipher::encryptToBase64(QStringLiteral("hello world"), QStringLiteral("secret key")),
              QStringLiteral("XcQ9JQlGnQWcVzWD7HhOcQ=="));
    const auto bytes =
        StringCipher::encryptToBytes(QStringLiteral("hello world"), QStringLiteral("secret key"));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->toBase64(), QByteArray("XcQ9JQlGnQWcVzWD7HhOcQ=="));
    EXPECT_EQ(StringCipher::decryptBytes(*bytes, QStringLiteral("secret key")),
              QStringLiteral("hello world"));
    EXPECT_EQ(
        StringCipher::decryptBase64(QStringLiteral("XcQ9JQlGnQWcVzWD7HhOcQ=="), QStringLiteral("secret key")),
        QStringLiteral("hello world"));
    EXPECT_EQ(
        StringCipher::decryptBase64(QStringLiteral("XcQ9JQlGnQWcVzWD7HhOcQ=="), QStringLiteral("other")),
        std::nullopt);
    EXPECT_EQ(StringCipher::decryptBytes(bytes->left(8), QStringLiteral("secret key")), std::nullopt);
}

} // namespace
