#include "testenvironment.h"
#include "thumbnails/freedesktopcache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>

using thumbnails::FreedesktopCache;
using thumbnails::SourceFile;

namespace {

int mode(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

QImage picture() {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

} // namespace

class FreedesktopCacheTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.path() + "/" + name; }
    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/freedesktop-XXXXXX"};
    FreedesktopCache m_cache{path("thumbnails")};
};

TEST_F(FreedesktopCacheTest, SizeClasses) {
    const std::pair<int, std::optional<int>> table[] = {
        {1, 128}, {128, 128}, {129, 256}, {256, 256}, {300, 512}, {1024, 1024}, {1025, std::nullopt}};
    for (const auto &[size, side] : table)
        EXPECT_EQ(FreedesktopCache::classSide(size), side) << size;
    EXPECT_EQ(FreedesktopCache::defaultRoot(), testsupport::sandboxRoot() + "/cache/thumbnails");
}

// The name is the MD5 of the percent-encoded file:// URI of the canonical path; the keys read back
// with any PNG reader; folders and file are private to the user and no temporary file is left.
TEST_F(FreedesktopCacheTest, StoresUnderTheMd5OfTheUriWithTheStandardKeys) {
    testsupport::writeFile(path("A photo ü.jpg"), "bytes of a photo");
    ASSERT_TRUE(QFile::link(path("A photo ü.jpg"), path("link.jpg")));
    const std::optional<SourceFile> source = SourceFile::examine(path("link.jpg"));
    ASSERT_TRUE(source);
    const QByteArray uri = "file://" +
                           QUrl::toPercentEncoding(QFileInfo(m_dir.path()).canonicalFilePath(), "/") +
                           "/A%20photo%20%C3%BC.jpg";
    EXPECT_EQ(source->uri, uri);
    ASSERT_TRUE(m_cache.store(*source, 256, picture()));

    const QString md5 = QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex();
    const QString stored = path("thumbnails/large/") + md5 + ".png";
    EXPECT_EQ(m_cache.thumbnailPath(*source, 200), stored);
    // QImageReader::text() cuts keys at their first colon ("Thumb"), so the keys are read from the
    // decoded picture, as every reader of the standard does.
    QImageReader reader(stored);
    const QImage read = reader.read();
    EXPECT_EQ(read.size(), QSize(200, 100)) << reader.errorString().toStdString();
    EXPECT_EQ(read.text("Thumb::URI").toStdString(), uri.toStdString());
    EXPECT_EQ(read.text("Thumb::MTime").toLongLong(),
              QFileInfo(path("A photo ü.jpg")).lastModified().toSecsSinceEpoch());
    EXPECT_EQ(read.text("Thumb::Size"), "16");
    EXPECT_EQ(read.text("Thumb::Mimetype"), "image/jpeg");
    EXPECT_TRUE(read.text("Software").startsWith("Tidewell "));

    EXPECT_EQ(mode(path("thumbnails")), 0700);
    EXPECT_EQ(mode(path("thumbnails/large")), 0700);
    EXPECT_EQ(mode(stored), 0600);
    EXPECT_EQ(QDir(path("thumbnails/large")).entryList(QDir::Files | QDir::Hidden),
              QStringList(md5 + ".png"));
    EXPECT_EQ(m_cache.find(*source, 256).size(), QSize(200, 100));
    EXPECT_TRUE(m_cache.find(*source, 128).isNull()); // another size class
}

TEST_F(FreedesktopCacheTest, AChangedFileInvalidatesItsThumbnailAndFailureMarker) {
    testsupport::writeFile(path("doc.pdf"), "a document");
    const SourceFile before = *SourceFile::examine(path("doc.pdf"));
    ASSERT_TRUE(m_cache.store(before, 128, picture()));
    ASSERT_TRUE(m_cache.storeFailure(before));
    EXPECT_FALSE(m_cache.find(before, 128).isNull());
    EXPECT_TRUE(m_cache.hasFailure(before));
    EXPECT_TRUE(m_cache.failurePath(before).startsWith(path("thumbnails/fail/tidewell-")));
    EXPECT_EQ(mode(QFileInfo(m_cache.failurePath(before)).absolutePath()), 0700);

    // The keys are compared with the file as examined: a later time, or the same time and another size.
    SourceFile touched = before;
    touched.mtime += 10;
    EXPECT_TRUE(m_cache.find(touched, 128).isNull());
    EXPECT_FALSE(m_cache.hasFailure(touched));
    ASSERT_TRUE(m_cache.store(touched, 128, picture()));
    SourceFile resized = touched;
    resized.size += 1;
    EXPECT_FALSE(m_cache.find(touched, 128).isNull());
    EXPECT_TRUE(m_cache.find(resized, 128).isNull());
}
