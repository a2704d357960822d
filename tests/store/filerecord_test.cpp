#include "platform/fileattributes.h"
#include "platform/keyedarchive.h"
#include "platform/log.h"
#include "store/filerecord.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/time.h>

using testsupport::writeFile;

namespace {

FileRecord record(const QString &path) {
    return FileRecord(QUrl::fromLocalFile(path), QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC));
}

void setModified(const QString &path, qint64 seconds) {
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(path).constData(), times), 0);
}

} // namespace

TEST(FileRecordArchive, KeyedArchiveRoundTripsAndRefusesIncompleteOrMistypedValues) {
    const FileRecord original = record("/tmp/some folder/ünï.png");
    const std::optional<FileRecord> decoded = FileRecord::decodeKeyed(original.encodeKeyed());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, original);

    platform::KeyedArchiver onlyUrl(FileRecord::archiveClassName);
    onlyUrl.encodeUrl("url", original.url());
    EXPECT_FALSE(FileRecord::decodeKeyed(onlyUrl.finish()));

    platform::KeyedArchiver wrongType(FileRecord::archiveClassName);
    wrongType.encodeText("url", "file:///tmp/a");
    wrongType.encodeDate("timestamp", original.timestamp());
    EXPECT_FALSE(FileRecord::decodeKeyed(wrongType.finish()));

    platform::KeyedArchiver otherClass("SomethingElse");
    otherClass.encodeUrl("url", original.url());
    otherClass.encodeDate("timestamp", original.timestamp());
    EXPECT_FALSE(FileRecord::decodeKeyed(otherClass.finish()));

    const QByteArray bytes = original.encodeKeyed();
    for (int cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(FileRecord::decodeKeyed(bytes.left(cut))) << "truncated at " << cut;
    EXPECT_FALSE(FileRecord::decodeKeyed(bytes + "x"));
}

TEST(FileRecordArchive, JsonCodingHasUrlThenTimestamp) {
    const FileRecord original = record("/tmp/a b/c.pdf");
    const QByteArray json = original.encodeJson();
    EXPECT_EQ(json, "{\"url\":\"file:///tmp/a%20b/c.pdf\",\"timestamp\":\"2023-11-14T22:13:20.123Z\"}");
    const std::optional<FileRecord> decoded = FileRecord::decodeJson(json);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, original);

    for (const char *bad :
         {"{}", "{\"url\":\"file:///a\"}", "{\"url\":5,\"timestamp\":\"2023-11-14T22:13:20Z\"}",
          "{\"url\":\"file:///a\",\"timestamp\":\"yesterday\"}", "[1]", "not json"})
        EXPECT_FALSE(FileRecord::decodeJson(bad)) << bad;
}

class FileRecordSorting : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.path() + "/" + name; }
    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/records-XXXXXX"};
};

// A folder sorts by the size of its own directory entry, not by what it holds.
TEST_F(FileRecordSorting, SizeUsesTheEntryItself) {
    writeFile(path("small.bin"), QByteArray(10, 'x'));
    writeFile(path("large.bin"), QByteArray(100000, 'x'));
    writeFile(path("folder/huge.bin"), QByteArray(500000, 'x'));
    const qint64 folderSize = platform::readFileAttributes(path("folder"))->size;
    ASSERT_LT(folderSize, 100000);

    std::vector<FileRecord> records = {record(path("large.bin")), record(path("folder")),
                                       record(path("small.bin"))};
    std::sort(records.begin(), records.end(), sizeLess);
    EXPECT_EQ(records[0].path(), path("small.bin"));
    EXPECT_EQ(records[1].path(), path("folder"));
    EXPECT_EQ(records[2].path(), path("large.bin"));
}

TEST_F(FileRecordSorting, ModificationAndRecordedCreationDates) {
    writeFile(path("old.txt"), "a");
    writeFile(path("new.txt"), "b");
    setModified(path("old.txt"), 1'000'000'000);
    setModified(path("new.txt"), 1'600'000'000);
    EXPECT_TRUE(modificationDateLess(record(path("old.txt")), record(path("new.txt"))));
    EXPECT_FALSE(modificationDateLess(record(path("new.txt")), record(path("old.txt"))));

    // The app's recorded creation date wins over what the file system knows.
    if (!platform::setCreationDate(path("new.txt"), QDateTime::fromSecsSinceEpoch(100, Qt::UTC)))
        GTEST_SKIP() << "this file system refuses user extended attributes";
    EXPECT_EQ(platform::readFileAttributes(path("new.txt"))->creationDate,
              QDateTime::fromSecsSinceEpoch(100, Qt::UTC));
    EXPECT_TRUE(creationDateLess(record(path("new.txt")), record(path("old.txt"))));
}

// Without a recorded date the birth time is used, and where none is recorded the modification
// time: every entry has a creation date.
TEST_F(FileRecordSorting, CreationDateFallsBackToBirthOrModificationTime) {
    writeFile(path("plain.txt"), "a");
    const auto attributes = platform::readFileAttributes(path("plain.txt"));
    ASSERT_TRUE(attributes.ok());
    EXPECT_TRUE(attributes->creationDate.isValid());
    EXPECT_LE(std::abs(attributes->creationDate.secsTo(QDateTime::currentDateTimeUtc())), 60);
}

TEST_F(FileRecordSorting, UnreadableAttributesAnswerFalseAndLog) {
    writeFile(path("here.txt"), "a");
    std::vector<QString> lines;
    platform::setLogSink([&lines](const QString &line) { lines.push_back(line); });
    const FileRecord gone = record(path("gone.txt"));
    const FileRecord here = record(path("here.txt"));
    EXPECT_FALSE(sizeLess(gone, here));
    EXPECT_FALSE(sizeLess(here, gone));
    EXPECT_FALSE(creationDateLess(gone, here));
    EXPECT_FALSE(modificationDateLess(here, gone));
    platform::setLogSink({});
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[0].startsWith("Could not read file attributes: "));
}
