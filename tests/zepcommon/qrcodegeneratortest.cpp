#include "zepcommon/qr/qrcodegenerator.h"
#include "platform/log.h"
#include "zepcommon/qr/qrcodedecoder.h"
#include "zepcommon/qr/qrcolor.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Captures log lines for the lifetime of the object.
class LogCapture {
public:
    LogCapture() {
        platform::setLogSink([this](const QString &line) { lines << line; });
    }
    ~LogCapture() { platform::setLogSink({}); }
    QStringList lines;
};

MetadataObject decodeSingle(const QImage &image) {
    const auto objects = QRCodeDecoder::decode(image);
    EXPECT_EQ(objects.size(), 1u);
    return objects.empty() ? MetadataObject{} : objects.front();
}

struct LevelCase {
    unsigned errorCorrection;
    const char *expectedLevel;
};

class RoundTripTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(RoundTripTest, DecodesToTheSameBytesAtTheChosenLevel) {
    const QString text = QStringLiteral("http://192.168.1.20:8080/ Größe ä");
    QRCodeGenerator generator(text);
    generator.setErrorCorrection(GetParam().errorCorrection);
    const QImage image = generator.getImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(200, 200));
    const MetadataObject found = decodeSingle(image);
    EXPECT_EQ(found.type, QRCodeDecoder::qrCodeType);
    EXPECT_EQ(found.bytes, text.toLatin1());
    EXPECT_EQ(QString::fromLatin1(found.bytes), text);
    EXPECT_EQ(found.errorCorrection, GetParam().expectedLevel);
}

// 7 (and any value past 3) leaves the default level, M.
INSTANTIATE_TEST_SUITE_P(Levels, RoundTripTest,
                         ::testing::Values(LevelCase{0, "L"}, LevelCase{1, "M"}, LevelCase{2, "Q"},
                                           LevelCase{3, "H"}, LevelCase{4, "M"}, LevelCase{7, "M"}));

TEST(QRCodeGeneratorTest, FiveFieldPayloadRoundTrips) {
    QRCodeGenerator generator("Tidewell", "user-17", "3f9a-session", "anna@example.org", "1");
    EXPECT_EQ(generator.data(), QByteArray("Tidewell,user-17,3f9a-session,anna@example.org,1"));
    const QStringList fields = QString::fromLatin1(decodeSingle(generator.getImage()).bytes).split(',');
    EXPECT_EQ(fields, (QStringList{"Tidewell", "user-17", "3f9a-session", "anna@example.org", "1"}));
}

TEST(QRCodeGeneratorTest, FiveFieldsAreJoinedWithoutEscaping) {
    QRCodeGenerator generator("a,b", "", "c d", "", "e");
    EXPECT_EQ(generator.data(), QByteArray("a,b,,c d,,e"));
}

TEST(QRCodeGeneratorTest, BytesAreEncodedUnchanged) {
    const QByteArray bytes("\x00\x01\xfe\xff binary", 11);
    QRCodeGenerator generator(bytes);
    EXPECT_EQ(generator.data(), bytes);
    EXPECT_EQ(decodeSingle(generator.getImage()).bytes, bytes);
}

TEST(QRCodeGeneratorTest, WithoutDataThereIsNoImage) {
    for (const QRCodeGenerator &generator : {QRCodeGenerator(), QRCodeGenerator(QString()),
                                             QRCodeGenerator(QString("")), QRCodeGenerator(QByteArray())}) {
        EXPECT_TRUE(generator.getCIImage().isNull());
        EXPECT_TRUE(generator.getImage().isNull());
    }
}

TEST(QRCodeGeneratorTest, TextOutsideLatin1GivesNoImageInsteadOfAnotherText) {
    LogCapture log;
    QRCodeGenerator generator(QStringLiteral("Łódź"));
    EXPECT_TRUE(generator.data().isEmpty());
    EXPECT_TRUE(generator.getImage().isNull());
    ASSERT_FALSE(log.lines.isEmpty());
    EXPECT_TRUE(log.lines.front().startsWith("Error: "));
}

TEST(QRCodeGeneratorTest, TooMuchDataGivesNoImageAndLogs) {
    LogCapture log;
    QRCodeGenerator generator(QByteArray(4000, 'x'));
    generator.setErrorCorrection(QRCodeGenerator::LevelH);
    EXPECT_TRUE(generator.getCIImage().isNull());
    EXPECT_TRUE(generator.getImage().isNull());
    ASSERT_FALSE(log.lines.isEmpty());
    EXPECT_EQ(log.lines.front(), "Error: the message is too long for a QR code");
}

TEST(QRCodeGeneratorTest, ModuleImageHasAQuietZoneAndOnlyTheTwoColours) {
    QRCodeGenerator generator(QStringLiteral("colours"));
    generator.setColor(QColor(10, 20, 120));
    generator.setBackgroundColor(QColor(250, 240, 200));
    const QImage modules = generator.getCIImage();
    ASSERT_FALSE(modules.isNull());
    const int quiet = QRCodeGenerator::quietZoneModules;
    EXPECT_EQ(modules.width(), 21 + 2 * quiet); // version 1 for a short text
    QSet<QRgb> colours;
    for (int y = 0; y < modules.height(); ++y)
        for (int x = 0; x < modules.width(); ++x)
            colours.insert(modules.pixel(x, y));
    EXPECT_EQ(colours, (QSet<QRgb>{QColor(10, 20, 120).rgba(), QColor(250, 240, 200).rgba()}));
    EXPECT_EQ(modules.pixelColor(quiet - 1, quiet - 1), QColor(250, 240, 200));
    EXPECT_EQ(modules.pixelColor(quiet, quiet), QColor(10, 20, 120)); // corner of a finder pattern
    EXPECT_EQ(decodeSingle(generator.getImage()).stringValue, "colours");
}

TEST(QRCodeGeneratorTest, NonSquareSizeStretchesEachAxisByItself) {
    QRCodeGenerator generator(QStringLiteral("squeezed"));
    generator.setSize(QSizeF(200, 100));
    const QImage modules = generator.getCIImage();
    const QImage image = generator.getImage();
    ASSERT_EQ(image.size(), QSize(200, 100));
    const double sx = 200.0 / modules.width();
    const double sy = 100.0 / modules.height();
    for (int my = 0; my < modules.height(); ++my) {
        for (int mx = 0; mx < modules.width(); ++mx) {
            const QPoint centre(int((mx + 0.5) * sx), int((my + 0.5) * sy));
            ASSERT_EQ(image.pixel(centre), modules.pixel(mx, my)) << mx << "," << my;
        }
    }
}

TEST(QRCodeGeneratorTest, EmptySizeGivesNoImage) {
    QRCodeGenerator generator(QStringLiteral("x"));
    generator.setSize(QSizeF(0, 100));
    EXPECT_FALSE(generator.getCIImage().isNull());
    EXPECT_TRUE(generator.getImage().isNull());
}

TEST(QRCodeDecoderTest, ReadsACodeFromAnImageFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath("code.png");
    QRCodeGenerator generator(QStringLiteral("from a file"));
    ASSERT_TRUE(generator.getImage().save(path));
    const auto objects = QRCodeDecoder::decodeFile(path);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects.front().stringValue, "from a file");
    // Other types than the wanted ones are not reported.
    EXPECT_TRUE(QRCodeDecoder::decodeFile(path, {"EAN-13"}).empty());
    LogCapture log;
    EXPECT_TRUE(QRCodeDecoder::decodeFile(folder.filePath("missing.png")).empty());
    EXPECT_EQ(log.lines.size(), 1);
}

struct ColorCase {
    const char *text;
    QColor expected;
    bool logsInvalid;
};

class ColorWithRGBATest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorWithRGBATest, ReadsTheTableForms) {
    LogCapture log;
    const std::optional<QColor> color = QRColor::colorWithRGBA(QString::fromLatin1(GetParam().text));
    ASSERT_TRUE(color.has_value());
    EXPECT_EQ(color->rgba(), GetParam().expected.rgba()) << GetParam().text;
    EXPECT_EQ(log.lines, GetParam().logsInvalid ? QStringList{"Invalid HEX: rgba"} : QStringList{});
}

const QColor opaqueBlack(0, 0, 0, 255);
INSTANTIATE_TEST_SUITE_P(
    Texts, ColorWithRGBATest,
    ::testing::Values(ColorCase{"#fff", QColor(255, 255, 255, 255), false},
                      ColorCase{"#abc", QColor(0xaa, 0xbb, 0xcc, 255), false},
                      ColorCase{"f008", QColor(255, 0, 0, 0x88), false},
                      ColorCase{"#FF8800", QColor(255, 0x88, 0, 255), false},
                      ColorCase{"##ff8800", QColor(255, 0x88, 0, 255), false},
                      ColorCase{"FF000080", QColor(255, 0, 0, 128), false},
                      ColorCase{"#00000000", QColor(0, 0, 0, 0), false},
                      ColorCase{"12345", opaqueBlack, true}, ColorCase{"1234567", opaqueBlack, true},
                      ColorCase{"123456789", opaqueBlack, true}, ColorCase{"", opaqueBlack, true},
                      ColorCase{"#", opaqueBlack, true}, ColorCase{"FFGG", opaqueBlack, true},
                      ColorCase{"ff 000", opaqueBlack, true}, ColorCase{"0xFFF", opaqueBlack, true}));

TEST(ColorWithRGBATest, AlphaOfEightDigitsIsTheLastByteOver255) {
    const QColor color = *QRColor::colorWithRGBA("FF000080");
    EXPECT_FLOAT_EQ(color.alphaF(), 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(QRColor::colorWithRGBA("0008")->alphaF(), 8.0f / 15.0f);
}

} // namespace
