#include "testenvironment.h"
#include "thumbnails/thumbnailcache.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using testsupport::writeFile;
using thumbnails::paletteThumbnailText;
using thumbnails::ThumbnailCache;

namespace {

constexpr int listSide = 224;

QByteArray png(QColor color, int side) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QColor centre(const std::string &thumbnail) {
    const QByteArray base64 = QByteArray::fromStdString(thumbnail.substr(thumbnail.find(',') + 1));
    return QImage::fromData(QByteArray::fromBase64(base64), "PNG").pixelColor(5, 5);
}

} // namespace

class ThumbnailCacheTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.path() + "/" + name; }
    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/thumbs-XXXXXX"};
};

// A file replaced by one of the same size and time is answered from the cache; a change of its
// modification time makes a new thumbnail.
TEST_F(ThumbnailCacheTest, KeyFollowsTheFileVersion) {
    ThumbnailCache cache(path("cache"));
    // Bytes after a PNG's end are ignored by readers: pad both pictures to one size.
    QByteArray red = png(Qt::red, 300);
    QByteArray blue = png(Qt::blue, 300);
    const qsizetype size = std::max(red.size(), blue.size());
    red.append(size - red.size(), '\0');
    blue.append(size - blue.size(), '\0');
    writeFile(path("a.png"), red);
    const std::string first = paletteThumbnailText(path("a.png"), listSide, &cache);
    EXPECT_EQ(centre(first), QColor(Qt::red));

    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path("a.png")).constData(), &before), 0);
    QFile file(path("a.png"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_EQ(blue.size(), file.size());
    file.write(blue);
    file.close();
    const timespec same[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path("a.png")).constData(), same, 0), 0);
    EXPECT_EQ(paletteThumbnailText(path("a.png"), listSide, &cache), first);

    const timespec later[2] = {before.st_atim, {before.st_mtim.tv_sec + 10, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path("a.png")).constData(), later, 0), 0);
    EXPECT_EQ(centre(paletteThumbnailText(path("a.png"), listSide, &cache)), QColor(Qt::blue));
}

TEST_F(ThumbnailCacheTest, DiskEntriesOutliveTheProcessAndFailuresAreRemembered) {
    writeFile(path("b.png"), png(Qt::green, 100));
    writeFile(path("broken.png"), "not an image");
    std::string made;
    {
        ThumbnailCache cache(path("cache"));
        made = paletteThumbnailText(path("b.png"), listSide, &cache);
        EXPECT_TRUE(paletteThumbnailText(path("broken.png"), listSide, &cache).empty());
    }
    ThumbnailCache reopened(path("cache"));
    const auto key = ThumbnailCache::keyFor(path("b.png"));
    ASSERT_TRUE(key);
    EXPECT_EQ(reopened.find(*key), std::optional<std::string>(made));
    EXPECT_EQ(reopened.find(*ThumbnailCache::keyFor(path("broken.png"))), std::optional<std::string>(""));
    EXPECT_FALSE(ThumbnailCache::keyFor(path("missing.png")));

    // The disk folder may be deleted at any time: the thumbnail is then simply made again.
    ASSERT_TRUE(QDir(path("cache")).removeRecursively());
    ThumbnailCache empty(path("cache"));
    EXPECT_FALSE(empty.find(*key));
    EXPECT_EQ(paletteThumbnailText(path("b.png"), listSide, &empty), made);
}

TEST_F(ThumbnailCacheTest, MemoryStaysWithinItsBudget) {
    ThumbnailCache cache(QString(), 50 * 1024);
    const QByteArray bytes(4000, 'x');
    for (int i = 0; i < 100; ++i)
        cache.insert(QByteArray::number(i), bytes);
    EXPECT_LE(cache.memoryBytes(), 50 * 1024);
    EXPECT_TRUE(cache.find("99"));
    EXPECT_FALSE(cache.find("0"));
}
