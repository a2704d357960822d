#include "passwordhasher.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using apiserver::ScryptHasher;
using apiserver::ScryptParameters;

namespace {

const ScryptHasher hasher(ScryptParameters{1 << 10, 8, 1});

TEST(ScryptHasher, VerifiesOnlyTheRightPassword) {
    const auto hash = hasher.hash(QStringLiteral("correct horse"));
    ASSERT_TRUE(hash);
    EXPECT_TRUE(hash->startsWith(QLatin1String("scrypt$1024$8$1$")));
    EXPECT_TRUE(hasher.verify(QStringLiteral("correct horse"), *hash));
    EXPECT_FALSE(hasher.verify(QStringLiteral("correct horsf"), *hash));
    EXPECT_FALSE(hasher.verify(QString(), *hash));
}

TEST(ScryptHasher, SaltsEveryHash) {
    EXPECT_NE(hasher.hash(QStringLiteral("same")), hasher.hash(QStringLiteral("same")));
}

TEST(ScryptHasher, HashesKeepTheirOwnParameters) {
    const auto old = ScryptHasher(ScryptParameters{1 << 4, 8, 1}).hash(QStringLiteral("password"));
    ASSERT_TRUE(old);
    EXPECT_TRUE(hasher.verify(QStringLiteral("password"), *old));
}

TEST(ScryptHasher, MalformedHashesNeverVerify) {
    const auto good = hasher.hash(QStringLiteral("password"));
    ASSERT_TRUE(good);
    QStringList parts = good->split('$');
    const QString cases[] = {
        QString(),
        QStringLiteral("password"),
        QStringLiteral("scrypt$1024$8$1$salt"),
        QString(*good).replace(QLatin1String("scrypt$"), QLatin1String("bcrypt$")),
        QStringList{parts[0], "x", parts[2], parts[3], parts[4], parts[5]}.join('$'),
        QStringList{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5].left(8)}.join('$'),
        QStringList{parts[0], "1000", parts[2], parts[3], parts[4], parts[5]}.join('$'), // not a power of two
    };
    for (const QString &stored : cases)
        EXPECT_FALSE(hasher.verify(QStringLiteral("password"), stored)) << stored.toStdString();
}

TEST(RandomHex, GivesDistinctHexOfTheAskedLength) {
    const auto a = apiserver::randomHex(32);
    const auto b = apiserver::randomHex(32);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->size(), 64);
    EXPECT_NE(*a, *b);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]+$")).match(*a).hasMatch());
}

} // namespace
