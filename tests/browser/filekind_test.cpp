#include "browser/filekind.h"

#include <gtest/gtest.h>

using namespace browser;

struct KindCase {
    const char *name;
    bool isDirectory;
    FileKind kind;
    const char *label;
};

class KindTable : public ::testing::TestWithParam<KindCase> {};

TEST_P(KindTable, KindAndListLabel) {
    const KindCase &c = GetParam();
    EXPECT_EQ(fileKind(c.name, c.isDirectory), c.kind);
    EXPECT_EQ(typeLabel(c.name, c.isDirectory), QString::fromUtf8(c.label));
}

INSTANTIATE_TEST_SUITE_P(Names, KindTable,
                         ::testing::Values(KindCase{"clip.mov", false, FileKind::Video, "MP4 ·"},
                                           KindCase{"clip.avi", false, FileKind::Video, "MP4 ·"},
                                           KindCase{"clip.MP4", false, FileKind::Video, "MP4 ·"},
                                           KindCase{"Shot.PNG", false, FileKind::Image, "PNG ·"},
                                           KindCase{"a.jpg", false, FileKind::Image, "JPG ·"},
                                           KindCase{"a.jpeg", false, FileKind::Image, "JPEG ·"},
                                           KindCase{"a.gif", false, FileKind::Image, "GIF ·"},
                                           KindCase{"a.heic", false, FileKind::Image, "HEIC ·"},
                                           KindCase{"a.HEIF", false, FileKind::Image, "HEIF ·"},
                                           KindCase{"doc.pdf", false, FileKind::Pdf, "PDF ·"},
                                           KindCase{"song.mp3", false, FileKind::Audio, "MP3 ·"},
                                           KindCase{"notes.txt", false, FileKind::Other, "TXT ·"},
                                           KindCase{"README", false, FileKind::Other, ""},
                                           KindCase{".bashrc", false, FileKind::Other, ""},
                                           KindCase{"trailing.", false, FileKind::Other, ""},
                                           KindCase{"Photos.png", true, FileKind::Folder, ""}));

TEST(SizeText, KilobytesBelowOneMebibyteAndMegabytesFromIt) {
    const std::pair<qint64, const char *> cases[] = {
        {0, "0.0 KB ·"},       {1536, "1.5 KB ·"},    {1048575, "1024.0 KB ·"},
        {1048576, "1.0 MB ·"}, {5767168, "5.5 MB ·"}, {10737418240, "10240.0 MB ·"},
    };
    for (const auto &[bytes, text] : cases)
        EXPECT_EQ(sizeText(bytes), QString::fromUtf8(text)) << bytes;
}

TEST(EntryCountText, CountsAndUnreadableFolders) {
    EXPECT_EQ(entryCountText(0), "0 items");
    EXPECT_EQ(entryCountText(1), "1 item");
    EXPECT_EQ(entryCountText(12), "12 items");
    EXPECT_EQ(entryCountText(-1), "Cannot be read");
}
