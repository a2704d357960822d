// Argon2id hashes, the upgrade of scrypt hashes, and the limits on password attempts, through the
// account service on an SQLite file (two services on one file stand for two server processes).
#include "accountservice.h"
#include "accountstore.h"
#include "testenvironment.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>

using namespace apiserver;

namespace {

class NoMail : public Mailer {
public:
    bool send(const QString &, const QString &, const QString &) override { return true; }
};

class LoginLimitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_database.databaseName = m_dir.path() + "/api.sqlite";
        ASSERT_TRUE(createSchema(m_database));
        m_service = makeService();
        ASSERT_TRUE(call("_user-signup", {{"email", "a@example.com"}, {"password", "right-password"}})
                        .contains("message"));
    }
    std::unique_ptr<AccountService> makeService() {
        AccountOptions options;
        options.argon2 = {1, 8 * 1024};
        options.limits.freeFailures = 2;
        options.limits.accountFailureCap = 5;
        options.limits.capWait = std::chrono::seconds(1000);
        options.limits.freeAddressFailures = 4;
        return std::make_unique<AccountService>(m_database, options, m_mail, [this] { return m_now; });
    }
    QJsonObject call(const QString &endpoint, const QJsonObject &parameters,
                     AccountService *service = nullptr,
                     const QString &address = QStringLiteral("192.0.2.1")) {
        return (service ? service : m_service.get())->handle(endpoint, parameters, address);
    }
    QString login(const QString &password, const QString &email = QStringLiteral("a@example.com"),
                  const QString &address = QStringLiteral("192.0.2.1"), AccountService *service = nullptr) {
        const QJsonObject answer =
            call("_user-login", {{"email", email}, {"password", password}}, service, address);
        return answer.contains("result") ? QStringLiteral("signed in") : answer.value("error").toString();
    }
    void wait(int seconds) { m_now = m_now.addSecs(seconds); }

    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/api-XXXXXX"};
    DatabaseConfig m_database;
    NoMail m_mail;
    QDateTime m_now = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
    std::unique_ptr<AccountService> m_service;
};

const QString wrong = QStringLiteral("The email or password is not correct.");
const QString tooMany =
    QStringLiteral("Too many attempts with a wrong password. Please wait a while and try again.");

TEST(LoginThrottle, WaitsGrowFromTheFreeFailuresToTheLongestAndTheCap) {
    const LoginLimits limits; // 5 free, 2 s doubling up to 15 min, 100 failures wait an hour
    const std::pair<int, qint64> table[] = {{0, 0},    {4, 0},    {5, 2},      {6, 4},      {12, 256},
                                            {14, 900}, {99, 900}, {100, 3600}, {5000, 3600}};
    for (const auto &[failures, wait] : table)
        EXPECT_EQ(LoginThrottle::waitAfter(failures, limits.freeFailures, limits.accountFailureCap, limits),
                  wait)
            << failures;
}

// A limited attempt is refused before any hash runs, even with the right password; waiting lifts
// it, and a success starts the count again. Five failures reach the cap's long wait.
TEST_F(LoginLimitsTest, FailuresDelayTheNextAttemptWithoutHashing) {
    EXPECT_EQ(login("wrong-1"), wrong);
    EXPECT_EQ(login("wrong-2"), wrong);
    const quint64 hashes = PasswordHasher::hashesRun();
    EXPECT_EQ(login("right-password"), tooMany);
    EXPECT_EQ(PasswordHasher::hashesRun(), hashes) << "a limited attempt costs no password hash";
    wait(2);
    EXPECT_EQ(login("right-password"), "signed in");
    EXPECT_EQ(login("wrong-3"), wrong) << "the success started the count again";

    for (int i = 0; i < 4; ++i, wait(3600))
        EXPECT_EQ(login("wrong"), wrong);
    wait(999 - 3600);
    EXPECT_EQ(login("right-password"), tooMany) << "five failures: the cap's wait";
    wait(1);
    EXPECT_EQ(login("right-password"), "signed in") << "but never locked for good";
}

TEST_F(LoginLimitsTest, CountsLiveInTheDatabaseAndPerAddress) {
    const std::unique_ptr<AccountService> second = makeService();
    EXPECT_EQ(login("wrong-1"), wrong);
    EXPECT_EQ(login("wrong-2", "a@example.com", "192.0.2.1", second.get()), wrong);
    EXPECT_EQ(login("right-password"), tooMany) << "the other process's failure counts";

    // One address failing against many accounts is limited for every account, others are not.
    for (const char *email : {"b@example.com", "c@example.com", "d@example.com"})
        EXPECT_EQ(login("guess", email, "198.51.100.7"), wrong);
    wait(2);
    EXPECT_EQ(login("guess", "e@example.com", "198.51.100.7"), wrong);
    EXPECT_EQ(login("right-password", "a@example.com", "198.51.100.7"), tooMany);
    EXPECT_EQ(login("right-password", "a@example.com", "203.0.113.9"), "signed in");

    // The change-password form's old password counts as an attempt too.
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(
            call("_user-change-password",
                 {{"email", "a@example.com"}, {"oldPassword", "nope"}, {"newPassword", "another-password"}})
                .value("error"),
            "The old password is not correct.");
    EXPECT_EQ(call("_user-change-password", {{"email", "a@example.com"},
                                             {"oldPassword", "right-password"},
                                             {"newPassword", "another-password"}})
                  .value("error"),
              tooMany);
}

TEST_F(LoginLimitsTest, ScryptHashesAreReplacedByArgon2idAtSignIn) {
    Connection connection(m_database);
    AccountStore store(connection);
    const QString old = *ScryptHasher(ScryptParameters{1 << 4, 8, 1}).hash("old-password");
    ASSERT_TRUE(store.insertUser({"u-old", "old@example.com", old, {}, 0, "email", {}}, 0));
    EXPECT_EQ(login("old-password", "old@example.com"), "signed in");
    const QString upgraded = store.userById("u-old")->passwordHash;
    EXPECT_TRUE(upgraded.startsWith("$argon2id$v=19$m=8,t=1,p=1$")) << upgraded.toStdString();
    EXPECT_EQ(login("old-password", "old@example.com"), "signed in");
    EXPECT_EQ(store.userById("u-old")->passwordHash, upgraded) << "an up-to-date hash stays";
}

TEST(PasswordHasher, Argon2idVerifiesOnlyTheRightPasswordAndNamesOldHashes) {
    const PasswordHasher hasher({1, 8 * 1024});
    const QString hash = *hasher.hash("correct horse");
    EXPECT_TRUE(hasher.verify("correct horse", hash));
    EXPECT_FALSE(hasher.verify("correct horsf", hash));
    EXPECT_FALSE(hasher.needsRehash(hash));
    EXPECT_TRUE(PasswordHasher({2, 8 * 1024}).needsRehash(hash));
    const QString scrypt = *ScryptHasher(ScryptParameters{1 << 4, 8, 1}).hash("correct horse");
    EXPECT_TRUE(hasher.verify("correct horse", scrypt));
    EXPECT_TRUE(hasher.needsRehash(scrypt));
    for (const QString &bad :
         {QString(), QStringLiteral("$argon2id$"), QString(hash).replace("argon2id", "argon2i"),
          hash.left(hash.size() - 4), hash + QString(200, 'x')})
        EXPECT_FALSE(hasher.verify("correct horse", bad)) << bad.toStdString();
    EXPECT_TRUE(PasswordHasher().hash("x")->startsWith("$argon2id$v=19$m=19456,t=2,p=1$"))
        << "OWASP's minimum";
}

TEST(PasswordHasher, AtMostTwoHashesRunAtOnce) {
    const PasswordHasher hasher({1, 4 * 1024 * 1024});
    const QString hash = *hasher.hash("password");
    PasswordHasher::resetPeakConcurrentHashes();
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] { EXPECT_TRUE(hasher.verify("password", hash)); });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_GE(PasswordHasher::peakConcurrentHashes(), 1);
    EXPECT_LE(PasswordHasher::peakConcurrentHashes(), PasswordHasher::maxConcurrentHashes);
}

} // namespace
