#include "http/urlencoding.h"
#include "testenvironment.h"
#include "transferclient.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <map>

#include <sys/stat.h>
#include <utime.h>

using testsupport::writeFile;

namespace {

// A one-page PDF written out by hand: a blank page of 200 by 100 points.
QByteArray onePagePdf() {
    const char *objects[] = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>"};
    QByteArray body = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < 3; ++i) {
        offsets << body.size();
        body += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = body.size();
    body += "xref\n0 4\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        body += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    body += "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return body;
}

bool makeClip(const QString &target) {
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    QProcess process;
    process.start(
        ffmpeg,
        QStringLiteral("-v error -y -f lavfi -i color=c=blue:s=320x240:d=1:r=10 -pix_fmt yuv420p").split(' ')
            << target);
    return !ffmpeg.isEmpty() && process.waitForFinished(60000) && process.exitCode() == 0;
}

} // namespace

class ThumbnailRouteTest : public TransferServerTest {
protected:
    Reply thumbnail(const std::string &name, const std::string &extra = {},
                    const std::string &etag = {}) const {
        testsupport::HttpHeaders headers;
        if (!etag.empty())
            headers.emplace("If-None-Match", etag);
        const auto result = client().get("/thumbnail?path=" + http::encodeComponent(name) + extra, headers);
        Reply reply;
        if (result) {
            reply.status = result->status;
            reply.body = result->body;
            reply.headers = result->headers;
        }
        return reply;
    }
};

// Each kind the pipeline knows gives a picture within the size class asked for, in the format
// that suits it; a file of no such kind has nothing to show.
TEST_F(ThumbnailRouteTest, PicturesOfImagesVideoFramesAndPdfPages) {
    QImage photo(1200, 800, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    QDir().mkpath(doc("Trips"));
    ASSERT_TRUE(photo.save(doc("Trips/photo.jpg")));
    QImage clear(300, 300, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    ASSERT_TRUE(clear.save(doc("Trips/clear.png")));
    writeFile(doc("Trips/manual.pdf"), onePagePdf());
    writeFile(doc("Trips/notes.txt"), "words");
    const bool clip = makeClip(doc("Trips/clip.mp4"));
    startServer();
    list(std::string("Trips"));

    struct Case {
        std::string name;
        std::string size;
        int status;
        std::string type;
        int side;
    };
    const std::vector<Case> cases = {
        {"photo.jpg", "", 200, "image/jpeg", 256},
        {"photo.jpg", "&size=100", 200, "image/jpeg", 128},
        {"photo.jpg", "&size=600", 200, "image/jpeg", 1024},
        {"clear.png", "&size=256", 200, "image/png", 256},
        {"manual.pdf", "&size=256", 200, "image/jpeg", 256},
        {"notes.txt", "", 204, "", 0},
        {"clip.mp4", "&size=128", clip ? 200 : 204, clip ? "image/jpeg" : "", 128},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name + c.size);
        const Reply reply = thumbnail(c.name, c.size);
        ASSERT_EQ(reply.status, c.status);
        if (c.status != 200)
            continue;
        EXPECT_EQ(reply.header("Content-Type"), c.type);
        const QImage picture = QImage::fromData(QByteArray::fromStdString(reply.body));
        ASSERT_FALSE(picture.isNull());
        // Never enlarged beyond the file's own picture.
        EXPECT_EQ(std::max(picture.width(), picture.height()),
                  c.name == "clear.png" ? 256 : std::min(c.side, 1200))
            << picture.width() << "x" << picture.height();
    }
}

TEST_F(ThumbnailRouteTest, TagFollowsTheFileAndAMatchAnswers304) {
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::red);
    ASSERT_TRUE(photo.save(doc("red.jpg")));
    startServer();
    const Reply first = thumbnail("red.jpg");
    ASSERT_EQ(first.status, 200);
    const std::string tag = first.header("ETag");
    EXPECT_FALSE(tag.empty());
    EXPECT_EQ(first.header("Cache-Control"), "private, max-age=86400");
    EXPECT_EQ(thumbnail("red.jpg").header("ETag"), tag);

    for (const std::string &match : {tag, "\"other\", " + tag, "W/" + tag, std::string("*")}) {
        const Reply unchanged = thumbnail("red.jpg", {}, match);
        EXPECT_EQ(unchanged.status, 304) << match;
        EXPECT_TRUE(unchanged.body.empty());
        EXPECT_EQ(unchanged.header("ETag"), tag);
    }
    EXPECT_EQ(thumbnail("red.jpg", "&size=1024", tag).status, 200) << "another size is another picture";

    // A changed file has another tag: the old one no longer matches.
    photo.fill(Qt::blue);
    ASSERT_TRUE(photo.save(doc("red.jpg")));
    const utimbuf later{1700000000, 1700000000};
    ASSERT_EQ(::utime(QFile::encodeName(doc("red.jpg")).constData(), &later), 0);
    const Reply changed = thumbnail("red.jpg", {}, tag);
    ASSERT_EQ(changed.status, 200);
    EXPECT_NE(changed.header("ETag"), tag);
    const QColor now = QImage::fromData(QByteArray::fromStdString(changed.body)).pixelColor(10, 10);
    EXPECT_TRUE(now.blue() > 200 && now.red() < 50) << "the picture of the file as it is now";
}

// Names are looked up in the folder listed last, with the download route's containment.
TEST_F(ThumbnailRouteTest, RefusesWhatLiesOutsideAndBadSizes) {
    QImage photo(64, 64, QImage::Format_RGB32);
    photo.fill(Qt::green);
    QDir().mkpath(doc("Sub"));
    ASSERT_TRUE(photo.save(doc("Sub/inside.png")));
    ASSERT_TRUE(photo.save(doc("top.png")));
    ASSERT_TRUE(photo.save(outside() + "/secret.png"));
    ASSERT_EQ(::symlink(QFile::encodeName(outside() + "/secret.png").constData(),
                        QFile::encodeName(doc("Sub/link.png")).constData()),
              0);
    ASSERT_EQ(::symlink(QFile::encodeName(outside()).constData(), QFile::encodeName(doc("Out")).constData()),
              0);
    startServer();
    const std::pair<std::string, int> cases[] = {
        {"/thumbnail", 404},
        {"/thumbnail?path=inside.png", 404}, // not in the top folder
        {"/thumbnail?path=..%2Foutside%2Fsecret.png", 404},
        {"/thumbnail?path=..%252F..%252Foutside%252Fsecret.png", 404},
        {"/thumbnail?path=link.png", 404},
        {"/thumbnail?path=Sub", 404},
        // A folder the page names holds for the picture alone, under the same rules.
        {"/thumbnail?path=inside.png&folder=Sub", 200},
        {"/thumbnail?path=inside.png&folder=%2FDocuments%2FSub", 200},
        {"/thumbnail?path=link.png&folder=Sub", 404},
        {"/thumbnail?path=secret.png&folder=Out", 404},
        {"/thumbnail?path=secret.png&folder=..%2Foutside", 404},
        {"/thumbnail?path=secret.png&folder=Sub%2F..%2F..%2Foutside", 404},
    };
    for (const auto &[target, status] : cases)
        EXPECT_EQ(get(target).status, status) << target;
    list(std::string("Sub"));
    EXPECT_EQ(get("/thumbnail?path=inside.png").status, 200);
    EXPECT_EQ(get("/thumbnail?path=link.png").status, 404);
    EXPECT_EQ(get("/thumbnail?path=top.png").status, 404);
    EXPECT_EQ(get("/thumbnail?path=top.png&folder=%2F").status, 200) << "named, the top folder still answers";
    EXPECT_EQ(get("/download?path=inside.png").status, 200) << "a named folder is not remembered";
    for (const char *size : {"0", "abc", "2000", "-5", "", "99999"})
        EXPECT_EQ(get(std::string("/thumbnail?path=inside.png&size=") + size).status, 400) << size;
}

TEST_F(ThumbnailRouteTest, ListWithoutThumbnailsNamesIconsAndLeavesImagesBare) {
    QImage photo(64, 64, QImage::Format_RGB32);
    photo.fill(Qt::green);
    ASSERT_TRUE(photo.save(doc("a.png")));
    writeFile(doc("b.pdf"), onePagePdf());
    writeFile(doc("c.PDF"), onePagePdf());
    writeFile(doc("d.txt"), "text");
    startServer();
    const QJsonObject full = listJson();
    const Reply bare = get("/list?path=%2F&thumbnails=none");
    ASSERT_EQ(bare.status, 200);
    const QJsonObject reply = QJsonDocument::fromJson(QByteArray::fromStdString(bare.body)).object();
    // Each entry but the image names its icon; the reply holds every icon named, once, as the
    // full listing inlines it.
    std::map<QString, QString> inlined;
    for (const QJsonValue entry : full["files"].toArray())
        inlined[entry["name"].toString()] = entry["thumbnail"].toString();
    const QJsonObject icons = reply["icons"].toObject();
    for (const QJsonValue entry : reply["files"].toArray()) {
        const QJsonObject file = entry.toObject();
        const QString name = file["name"].toString();
        EXPECT_FALSE(file.contains("thumbnail")) << name.toStdString();
        if (name == "a.png")
            EXPECT_FALSE(file.contains("icon"));
        else
            EXPECT_EQ(icons[file["icon"].toString()].toString(), inlined[name]) << name.toStdString();
    }
    EXPECT_EQ(icons.keys(), QStringList({"other", "pdf"}));
    EXPECT_EQ(full["files"].toArray().size(), reply["files"].toArray().size());
    EXPECT_FALSE(full.contains("icons"));
    for (const QJsonValue entry : full["files"].toArray())
        EXPECT_TRUE(entry.toObject().contains("thumbnail"))
            << "without the option every entry has its picture";
}
