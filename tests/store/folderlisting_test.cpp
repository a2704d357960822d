#include "platform/fileattributes.h"
#include "platform/log.h"
#include "store/folderlisting.h"
#include "store/recordsort.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <map>
#include <string_view>
#include <thread>
#include <vector>

using testsupport::writeFile;

namespace {

class FolderListing : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.path() + "/" + name; }
    std::map<std::string, store::FolderEntry> listed(store::ListOptions options = {}) const {
        auto listing = store::listFolder(m_dir.path(), options);
        EXPECT_TRUE(listing.ok()) << listing.message().toStdString();
        std::map<std::string, store::FolderEntry> byName;
        for (const auto &entry : *listing)
            byName[entry.name] = entry;
        return byName;
    }
    FileRecord record(const QString &name) const { return FileRecord(QUrl::fromLocalFile(path(name)), {}); }

    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/listing-XXXXXX"};
};

TEST_F(FolderListing, ReadsEachEntryOnceWithHiddenEntriesAndWithoutStagingFiles) {
    writeFile(path("photo.JPG"), QByteArray(1234, 'x'));
    writeFile(path(".hidden"), "h");
    writeFile(path("folder/inner.txt"), "i");
    writeFile(path(".tidewell-abc123.part"), "being written");
    writeFile(path("Ünïcode name.txt"), "u");
    ASSERT_TRUE(QFile::link(path("folder"), path("link-to-folder")));
    ASSERT_TRUE(QFile::link(path("nowhere"), path("dangling")));

    const auto entries = listed();
    std::vector<std::string> names;
    for (const auto &[name, entry] : entries)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "dangling", "folder", "link-to-folder", "photo.JPG",
                                               "Ünïcode name.txt"}));
    EXPECT_EQ(entries.at("photo.JPG").size, 1234);
    EXPECT_FALSE(entries.at("photo.JPG").isDirectory);
    EXPECT_TRUE(entries.at("folder").isDirectory);
    EXPECT_TRUE(entries.at("link-to-folder").isDirectory);
    EXPECT_TRUE(entries.at("dangling").attributesRead);
    EXPECT_EQ(entries.at("photo.JPG").createdMs, 0) << "creation dates cost a read and come only when asked";
    EXPECT_GT(entries.at("photo.JPG").modifiedMs, 0);

    EXPECT_FALSE(store::listFolder(path("missing")).ok());
    EXPECT_FALSE(store::listFolder(path("photo.JPG")).ok());
}

// A folder large enough to be read on several threads lists every entry once, each with its own
// attributes.
TEST_F(FolderListing, LargeFolderReadsEveryEntryWithItsOwnAttributes) {
    constexpr int count = 2100; // past the size from which a listing uses several threads
    for (int i = 0; i < count; ++i)
        writeFile(path(QString("f%1.txt").arg(i)), QByteArray(i % 13, 'x'));
    QDir().mkpath(path("sub"));
    const auto byName = listed({.creationDates = true});
    ASSERT_EQ(byName.size(), size_t(count + 1));
    for (int i = 0; i < count; ++i) {
        const auto found = byName.find("f" + std::to_string(i) + ".txt");
        ASSERT_NE(found, byName.end()) << i;
        EXPECT_TRUE(found->second.attributesRead) << i;
        EXPECT_EQ(found->second.size, i % 13) << i;
        EXPECT_FALSE(found->second.isDirectory) << i;
        EXPECT_GT(found->second.createdMs, 0) << i;
    }
    EXPECT_TRUE(byName.at("sub").isDirectory);

    // The batches read on several threads come back in the folder's own order.
    std::vector<std::string> folderOrder;
    if (DIR *dir = ::opendir(QFile::encodeName(m_dir.path()).constData())) {
        while (const dirent *item = ::readdir(dir))
            if (std::string_view(item->d_name) != "." && std::string_view(item->d_name) != "..")
                folderOrder.emplace_back(item->d_name);
        ::closedir(dir);
    }
    const auto listing = store::listFolder(m_dir.path());
    ASSERT_TRUE(listing.ok());
    std::vector<std::string> listedOrder;
    for (const store::FolderEntry &entry : *listing)
        listedOrder.push_back(entry.name);
    EXPECT_EQ(listedOrder, folderOrder);
}

TEST_F(FolderListing, CreationDatesPreferTheRecordedOne) {
    writeFile(path("imported.png"), "p");
    writeFile(path("plain.png"), "p");
    if (!platform::setCreationDate(path("imported.png"), QDateTime::fromSecsSinceEpoch(1000, Qt::UTC)))
        GTEST_SKIP() << "this file system refuses user extended attributes";
    const auto entries = listed({.creationDates = true});
    EXPECT_EQ(entries.at("imported.png").createdMs, 1'000'000);
    EXPECT_GT(entries.at("plain.png").createdMs, 1'000'000'000'000);
}

TEST_F(FolderListing, LowerExtension) {
    const std::pair<const char *, const char *> cases[] = {{"a.PNG", "png"},  {"archive.tar.Gz", "gz"},
                                                           {".hidden", ""},   {"noext", ""},
                                                           {"trailing.", ""}, {"", ""}};
    for (const auto &[name, ext] : cases)
        EXPECT_EQ(store::lowerExtension(name), ext) << name;
}

// A file that vanishes between the listing and the sort: every record's attributes are read once,
// the missing one sorts as size 0 and as created now, and it is logged once per sort.
TEST_F(FolderListing, SortWithAFileRemovedMidListing) {
    // Dates a minute back: a file made in the same millisecond as the sort would tie with "now".
    const QDateTime past = QDateTime::currentDateTimeUtc().addSecs(-60);
    for (int i = 0; i < 40; ++i) {
        const QString name = path(QString("f%1.bin").arg(i, 2, 10, QChar('0')));
        writeFile(name, QByteArray(100 + i, 'x'));
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(past, QFileDevice::FileModificationTime));
        if (!platform::setCreationDate(name, past))
            GTEST_SKIP() << "this file system refuses user extended attributes";
    }
    std::vector<FileRecord> records;
    for (const auto &[name, entry] : listed())
        records.push_back(record(QString::fromStdString(name)));
    ASSERT_TRUE(QFile::remove(path("f20.bin")));
    // "Now" at the sort must be later than every file's times (milliseconds), or the vanished
    // file ties with the last one written and its place depends on the listing order.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));

    std::vector<QString> lines;
    platform::setLogSink([&lines](const QString &line) { lines.push_back(line); });
    store::sortRecords(records, store::SortKey::Size);
    ASSERT_EQ(records.size(), 40u);
    EXPECT_EQ(records.front().path().toStdString(), path("f20.bin").toStdString());
    for (size_t i = 2; i < records.size(); ++i)
        EXPECT_LT(records[i - 1].path(), records[i].path()) << "sizes grow with the number";

    store::sortRecords(records, store::SortKey::CreationDate);
    EXPECT_EQ(records.back().path().toStdString(), path("f20.bin").toStdString());
    store::sortRecords(records, store::SortKey::ModificationDate);
    EXPECT_EQ(records.back().path().toStdString(), path("f20.bin").toStdString());
    platform::setLogSink({});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].startsWith("Could not read file attributes: "));
}

} // namespace
