#include "testenvironment.h"
#include "thumbnails/generator.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using thumbnails::makeThumbnail;
using thumbnails::SourceKind;
using thumbnails::sourceKindFor;

class GeneratorTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.path() + "/" + name; }

    // A clip of red, blue and green (0.5 s, 1 s, 0.5 s): the frame at half the duration is blue.
    static bool makeClip(const QString &ffmpeg, const QString &target) {
        QStringList arguments =
            QStringLiteral("-v error -y -f lavfi -i color=c=red:s=320x240:d=0.5:r=25 -f lavfi -i "
                           "color=c=blue:s=320x240:d=1:r=25 -f lavfi -i color=c=lime:s=320x240:d=0.5:r=25 "
                           "-filter_complex [0:v][1:v][2:v]concat=n=3:v=1:a=0 -pix_fmt yuv420p")
                .split(' ');
        QProcess process;
        process.start(ffmpeg, arguments << target);
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/generator-XXXXXX"};
};

TEST_F(GeneratorTest, KindComesFromTheExtensionElseFromPictureContents) {
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(path("picture.data"), "PNG"));
    testsupport::writeFile(path("notes.txt"), "plain words");
    const std::pair<QString, SourceKind> table[] = {
        {"a.PNG", SourceKind::Image},   {"b.heic", SourceKind::Image}, {"c.pdf", SourceKind::Pdf},
        {"d.MOV", SourceKind::Video},   {"e.avi", SourceKind::Video},  {"picture.data", SourceKind::Image},
        {"notes.txt", SourceKind::None}};
    for (const auto &[name, kind] : table)
        EXPECT_EQ(sourceKindFor(path(name)), kind) << name.toStdString();
    EXPECT_TRUE(makeThumbnail(path("notes.txt"), 128).isNull());
}

// Pictures stored with a palette keep their colours when scaled: a one-bit picture scaled as it
// is comes back dithered to black and white.
TEST_F(GeneratorTest, PalettePicturesKeepTheirColours) {
    const QColor sky(135, 206, 235);
    QImage mono(300, 200, QImage::Format_Mono);
    mono.setColorTable({sky.rgb(), qRgb(255, 0, 0)});
    mono.fill(0);
    QImage indexed(300, 200, QImage::Format_Indexed8);
    indexed.setColorTable({sky.rgb()});
    indexed.fill(0);
    for (const auto &[name, picture] : {std::pair{"mono.png", mono}, std::pair{"indexed.png", indexed}}) {
        ASSERT_TRUE(picture.save(path(name), "PNG"));
        const QImage thumbnail = makeThumbnail(path(name), 128);
        ASSERT_EQ(thumbnail.width(), 128) << name;
        for (const QPoint at : {QPoint(0, 0), QPoint(64, 40), QPoint(127, 84)})
            EXPECT_EQ(QColor(thumbnail.pixel(at)), sky) << name;
    }
}

// A page twice as wide as high, black on its right half: white where nothing is drawn, not the
// transparent background the renderer gives.
TEST_F(GeneratorTest, PdfFirstPageOnWhiteScaledToFit) {
    {
        QPdfWriter writer(path("doc.pdf"));
        writer.setPageSize(QPageSize(QSizeF(400, 200), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        painter.fillRect(QRect(writer.width() / 2, 0, writer.width() - writer.width() / 2, writer.height()),
                         Qt::black);
        painter.end();
        writer.newPage(); // a second page that must not be the one shown
    }
    const QImage image = makeThumbnail(path("doc.pdf"), 128);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(128, 64));
    EXPECT_EQ(image.pixelColor(16, 32), QColor(Qt::white));
    EXPECT_LT(image.pixelColor(112, 32).lightness(), 40);
}

TEST_F(GeneratorTest, VideoFrameAtHalfTheDuration) {
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    if (ffmpeg.isEmpty())
        GTEST_SKIP() << "the ffmpeg command, which makes the test clip, is not installed";
    ASSERT_TRUE(makeClip(ffmpeg, path("clip.mp4")));
    const QImage image = makeThumbnail(path("clip.mp4"), 128);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(128, 96));
    const QColor centre = image.pixelColor(64, 48);
    EXPECT_GT(centre.blue(), 200) << centre.name().toStdString();
    EXPECT_LT(centre.red(), 60) << centre.name().toStdString();
    EXPECT_LT(centre.green(), 60) << centre.name().toStdString();
    EXPECT_EQ(makeThumbnail(path("clip.mp4"), 1000).size(), QSize(320, 240)); // never enlarged

    // Cut short before the first picture: no frame, no crash, no wait.
    QByteArray bytes = testsupport::readFile(path("clip.mp4"));
    testsupport::writeFile(path("cut.mp4"), bytes.left(bytes.size() / 3));
    EXPECT_TRUE(makeThumbnail(path("cut.mp4"), 128).isNull());
}

TEST_F(GeneratorTest, FilesThatAreNotVideosFailCleanly) {
    testsupport::writeFile(path("words.mp4"), QByteArray("just some text, not a film\n").repeated(100));
    testsupport::writeFile(path("empty.mov"), QByteArray());
    testsupport::writeFile(path("noise.avi"), QByteArray(4096, '\x5a'));
    for (const char *name : {"words.mp4", "empty.mov", "noise.avi", "missing.mp4"})
        EXPECT_TRUE(makeThumbnail(path(name), 128).isNull()) << name;
}
