#include "store/filerecord.h"
#include "testenvironment.h"
#include "transfer/wire.h"
#include "transferclient.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

using testsupport::writeFile;

namespace {

QJsonObject entryNamed(const QJsonObject &reply, const QString &name) {
    for (const QJsonValue entry : reply.value("files").toArray())
        if (entry.toObject().value("name").toString() == name)
            return entry.toObject();
    ADD_FAILURE() << "no entry " << name.toStdString();
    return {};
}

QImage thumbnailImage(const QJsonObject &entry) {
    const QString text = entry.value("thumbnail").toString();
    EXPECT_TRUE(text.startsWith("data:image/png;base64,")) << text.left(40).toStdString();
    return QImage::fromData(QByteArray::fromBase64(text.mid(22).toLatin1()), "PNG");
}

QByteArray jpeg(int width, int height) {
    // A gradient: a full-size PNG of it would be megabytes, so an unscaled thumbnail shows.
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x * 255 / width, y * 255 / height, (x + y) & 0xff);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

} // namespace

class ListRoute : public TransferServerTest {};

TEST_F(ListRoute, TopFolderWithoutPathKeepsCurrentFolder) {
    writeFile(doc("a.txt"), "a");
    writeFile(doc(".hidden"), "h");
    writeFile(doc(".tidewell-k3j5.part"), "an upload being staged");
    QDir().mkpath(doc("Photos"));
    startServer();
    list(std::string("Photos"));
    const QJsonObject reply = listJson();
    EXPECT_EQ(reply.value("folder").toString(), "/");
    EXPECT_EQ(reply.value("path").toString(), "/");
    EXPECT_EQ(entryNames(reply), (std::vector<std::string>{".hidden", "Photos", "a.txt"}));
    EXPECT_EQ(m_server->currentFolder(), "Photos");
}

TEST_F(ListRoute, PrefixedFolderIsListedWithoutChangingCurrentFolder) {
    writeFile(doc("Photos/one.txt"), "1");
    startServer();
    const QJsonObject reply = listJson(std::string("/Documents/Photos"));
    EXPECT_EQ(entryNames(reply), std::vector<std::string>{"one.txt"});
    EXPECT_EQ(reply.value("folder").toString(), "/Photos");
    EXPECT_EQ(reply.value("path").toString(), "/Photos");
    EXPECT_EQ(m_server->currentFolder(), "");
}

TEST_F(ListRoute, EntriesCarryKindNameUrlAndIcons) {
    QDir().mkpath(doc("Folder"));
    for (const char *name :
         {"doc.pdf", "clip.mp4", "clip.MOV", "clip.avi", "song.mp3", "pack.zip", "notes.xyz"})
        writeFile(doc(name), "x");
    startServer();
    const QJsonObject reply = listJson();
    EXPECT_EQ(reply.value("files").toArray().size(), 8);

    const QJsonObject folder = entryNamed(reply, "Folder");
    EXPECT_EQ(folder.value("kind").toString(), "other");
    EXPECT_EQ(folder.value("path").toString(), "Folder");
    EXPECT_TRUE(folder.value("directory").toBool());
    EXPECT_EQ(QUrl(folder.value("url").toString()), QUrl::fromLocalFile(doc("Folder")));
    const QString otherIcon = folder.value("thumbnail").toString();
    EXPECT_FALSE(otherIcon.isEmpty());
    EXPECT_EQ(entryNamed(reply, "notes.xyz").value("thumbnail").toString(), otherIcon);
    EXPECT_EQ(entryNamed(reply, "notes.xyz").value("kind").toString(), "other");

    const QString videoIcon = entryNamed(reply, "clip.mp4").value("thumbnail").toString();
    EXPECT_EQ(entryNamed(reply, "clip.MOV").value("thumbnail").toString(), videoIcon);
    EXPECT_EQ(entryNamed(reply, "clip.avi").value("thumbnail").toString(), videoIcon);
    for (const char *name : {"doc.pdf", "clip.mp4", "song.mp3", "pack.zip"}) {
        const QJsonObject entry = entryNamed(reply, name);
        EXPECT_EQ(entry.value("kind").toString(), "file") << name;
        EXPECT_FALSE(thumbnailImage(entry).isNull()) << name;
        EXPECT_NE(entry.value("thumbnail").toString(), otherIcon) << name;
    }
    EXPECT_NE(entryNamed(reply, "doc.pdf").value("thumbnail"),
              entryNamed(reply, "pack.zip").value("thumbnail"));
    // The list's URL key and a record's first archive key are one text.
    EXPECT_EQ(wire::urlKey, FileRecord::urlArchiveKey);
}

TEST_F(ListRoute, ImagesGetBoundedPngThumbnailsAndBrokenOnesNone) {
    writeFile(doc("wide.jpg"), jpeg(3000, 1000));
    writeFile(doc("small.JPEG"), jpeg(40, 30));
    writeFile(doc("broken.png"), "not an image at all");
    startServer();
    const QJsonObject reply = listJson();

    const QImage wide = thumbnailImage(entryNamed(reply, "wide.jpg"));
    EXPECT_EQ(wide.width(), 224);
    EXPECT_NEAR(wide.height(), 75, 1);
    EXPECT_EQ(thumbnailImage(entryNamed(reply, "small.JPEG")).size(), QSize(40, 30));
    const QJsonObject broken = entryNamed(reply, "broken.png");
    EXPECT_FALSE(broken.contains("thumbnail"));
    EXPECT_EQ(broken.value("kind").toString(), "file");
}

TEST_F(ListRoute, HeicImagesAreDecodedThroughLibheif) {
    const QString encoder = QStandardPaths::findExecutable("heif-enc");
    if (encoder.isEmpty())
        GTEST_SKIP() << "heif-enc (libheif-examples) is not installed";
    const QString source = m_root->path() + "/source.jpg";
    writeFile(source, jpeg(1200, 900));
    ASSERT_EQ(QProcess::execute(encoder, {"-q", "50", source, "-o", doc("photo.heic")}), 0);
    startServer();
    const QImage thumbnail = thumbnailImage(entryNamed(listJson(), "photo.heic"));
    EXPECT_EQ(thumbnail.size(), QSize(224, 168));
}

TEST_F(ListRoute, ManyLargePhotosGiveABoundedReply) {
    const QByteArray photo = jpeg(4000, 3000);
    for (int i = 0; i < 12; ++i)
        writeFile(doc(QString("photo-%1.jpg").arg(i)), photo);
    startServer();
    const Reply reply = list();
    ASSERT_EQ(reply.status, 200);
    EXPECT_LT(reply.body.size(), 12u * 256 * 1024);
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).object();
    for (const QJsonValue entry : json.value("files").toArray())
        EXPECT_EQ(thumbnailImage(entry.toObject()).size(), QSize(224, 168));
}

TEST_F(ListRoute, UrlsNameTheEntryWhateverItsName) {
    const QStringList names = {"a b#c?d%e.txt", "ünï [x] {y} ^`|\\<>\".pdf", "semi;colon=and&plus+@:.zip",
                               "new\nline"};
    for (const QString &name : names)
        writeFile(doc(name), "x");
    startServer();
    const QJsonObject reply = listJson();
    for (const QString &name : names) {
        const QJsonObject entry = entryNamed(reply, name);
        EXPECT_EQ(entry.value("path").toString(), name);
        EXPECT_EQ(QUrl(entry.value("url").toString(), QUrl::StrictMode).toLocalFile(), doc(name))
            << name.toStdString();
    }
}

TEST_F(ListRoute, EmptyMissingAndFileFolders) {
    QDir().mkpath(doc("Empty"));
    writeFile(doc("file.txt"), "x");
    startServer();
    const QJsonObject empty = listJson(std::string("Empty"));
    EXPECT_TRUE(empty.value("files").isArray());
    EXPECT_TRUE(empty.value("files").toArray().isEmpty());
    EXPECT_EQ(list(std::string("Missing")).status, 500);
    EXPECT_EQ(list(std::string("file.txt")).status, 500);
}
