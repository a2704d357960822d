#include "platform/secretstore.h"
#include "tarnwick/remotevaluesstore.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>

using tarnwick::RemoteValuesStore;

namespace {

TEST(RemoteValuesStore, SavedBytesAreReadBackByANewStore) {
    const QString path = testsupport::sandboxRoot() + "/values-a.dat";
    RemoteValuesStore store(path);
    EXPECT_FALSE(store.load());
    EXPECT_FALSE(store.data());
    EXPECT_FALSE(store.save()) << "nothing to save";
    EXPECT_FALSE(QFile::exists(path));

    store.set(QStringLiteral("blob ü"));
    ASSERT_TRUE(store.save());
    RemoteValuesStore reader(path);
    ASSERT_TRUE(reader.load());
    EXPECT_EQ(reader.data(), QString::fromUtf8("blob ü").toUtf8());

    store.set(QByteArray("\x00\x01\x02", 3));
    ASSERT_TRUE(store.save());
    ASSERT_TRUE(reader.load());
    EXPECT_EQ(reader.data(), QByteArray("\x00\x01\x02", 3));
}

TEST(RemoteValuesStore, FailedSaveKeepsThePreviousFile) {
    const QString folder = testsupport::sandboxRoot() + "/readonly-values";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/values.dat";
    RemoteValuesStore store(path);
    store.set(QStringLiteral("first"));
    ASSERT_TRUE(store.save());
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0500), 0);
    store.set(QStringLiteral("second"));
    const bool saved = store.save();
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    EXPECT_FALSE(saved);
    RemoteValuesStore reader(path);
    ASSERT_TRUE(reader.load());
    EXPECT_EQ(reader.data(), QByteArray("first"));
}

TEST(RemoteValuesStore, DefaultFileLivesInTheTemporaryFolder) {
    EXPECT_TRUE(RemoteValuesStore::defaultFilePath().startsWith(QDir::tempPath() + "/"));
}

TEST(SecretStore, KeepsValuesInAnOwnerOnlyFile) {
    const QString path = testsupport::sandboxRoot() + "/secrets/one.json";
    platform::SecretStore store(path);
    EXPECT_EQ(store.value("a"), std::nullopt);
    ASSERT_TRUE(store.setValue("a", "alpha"));
    ASSERT_TRUE(store.setValue("b", "beta"));
    ASSERT_TRUE(store.setValue("a", "again"));
    platform::SecretStore other(path);
    EXPECT_EQ(other.value("a"), QStringLiteral("again"));
    EXPECT_EQ(other.value("b"), QStringLiteral("beta"));
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
    ASSERT_TRUE(store.remove("a"));
    EXPECT_EQ(other.value("a"), std::nullopt);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList{"one.json"})
        << "no temporary file is left behind";
    EXPECT_FALSE(store.setValue("", "x"));
}

TEST(SecretStore, AnUnreadableFileIsNeverOverwritten) {
    const QString path = testsupport::sandboxRoot() + "/secrets/broken.json";
    testsupport::writeFile(path, "{ this is not json");
    platform::SecretStore store(path);
    EXPECT_EQ(store.value("a"), std::nullopt);
    const auto written = store.setValue("a", "alpha");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.reason(), platform::SecretStore::Error::Unreadable);
    EXPECT_EQ(testsupport::readFile(path), QByteArray("{ this is not json"));
}

TEST(SecretStore, DefaultPathIsInTheDataFolder) {
    EXPECT_EQ(platform::SecretStore::defaultPath(),
              testsupport::sandboxRoot() + "/data/Tidewell/secrets.json");
}

} // namespace
