#include "testenvironment.h"
#include "transferclient.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QUrl>

#include <csignal>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

std::string pattern(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + size_t(seed) * 7) % 251);
    return bytes;
}

std::string savedText(const QString &path) {
    return "File saved: " + QUrl::fromLocalFile(path).toEncoded().toStdString();
}
std::string existsText(const QString &path) {
    return "File already exists: " + QUrl::fromLocalFile(path).toEncoded().toStdString();
}

QStringList folderEntries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace

class UploadRoute : public TransferServerTest {};

TEST_F(UploadRoute, SavesANewFileAndNeverOverwrites) {
    startServer();
    const std::string first = pattern(100000, 1);
    const Reply saved = upload("photo.png", first);
    EXPECT_EQ(saved.status, 200);
    EXPECT_EQ(saved.body, savedText(doc("photo.png")));
    EXPECT_EQ(readFile(doc("photo.png")).toStdString(), first);
    EXPECT_TRUE(m_alerts->titles().empty());

    const Reply again = upload("photo.png", pattern(500, 2));
    EXPECT_EQ(again.status, 200);
    EXPECT_EQ(again.body, existsText(doc("photo.png")));
    EXPECT_EQ(readFile(doc("photo.png")).toStdString(), first);
    EXPECT_EQ(m_alerts->titles(), std::vector<QString>{"File Already Exists"});
    EXPECT_EQ(folderEntries(documents()), QStringList{"photo.png"});
}

TEST_F(UploadRoute, AcceptsOnlyItsTypesUnlessAnImageIsAlreadyThere) {
    startServer();
    for (const char *name : {"song.mp3", "clip.MOV", "clip.avi", "shot.jpeg", "shot.HEIC"})
        EXPECT_EQ(upload(name, "x").status, 200) << name;
    EXPECT_TRUE(m_alerts->titles().empty());

    for (const char *name : {"doc.pdf", "pack.zip", "notes.txt", "noextension"}) {
        m_alerts->clear();
        const Reply refused = upload(name, "x");
        EXPECT_EQ(refused.status, 404) << name;
        EXPECT_EQ(refused.body, "This type of file cannot be received.");
        EXPECT_EQ(m_alerts->titles(), std::vector<QString>{"Unsupported File Type"}) << name;
        EXPECT_FALSE(QFile::exists(doc(name))) << name;
    }

    // An unknown extension passes when a readable image of that name is already there.
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    writeFile(doc("picture.dat"), png);
    m_alerts->clear();
    EXPECT_EQ(upload("picture.dat", "x").body, existsText(doc("picture.dat")));
    EXPECT_EQ(m_alerts->titles(), std::vector<QString>{"File Already Exists"});
}

TEST_F(UploadRoute, MalformedFormsAreBadRequests) {
    startServer();
    EXPECT_EQ(postForm("/upload", "").body, "Form data is missing.");
    EXPECT_EQ(postForm("/upload", "").status, 400);
    EXPECT_EQ(postForm("/upload", "name=a.png&content=QQ==").body, "A required field is missing.");
    EXPECT_EQ(postForm("/upload", "note=n&content=QQ==").body, "A required field is missing.");
    EXPECT_EQ(postForm("/upload", "note=n&name=a.png").body, "A required field is missing.");
    const Reply notBase64 = postForm("/upload", "note=n&name=a.png&content=QUJDR");
    EXPECT_EQ(notBase64.status, 400);
    EXPECT_EQ(notBase64.body, "Content is not valid Base64: a.png");
    EXPECT_EQ(postForm("/upload", "note=n&name=" + std::string(70000, 'x') + "&content=").status, 400);
    EXPECT_TRUE(folderEntries(documents()).isEmpty());
}

TEST_F(UploadRoute, UnencodedPlusInContentIsRestored) {
    startServer();
    const std::string bytes = "\xfb\xef\xbe\xfb\xef"; // Base64 "++++++8=" full of '+'
    const std::string content = QByteArray::fromStdString(bytes).toBase64().toStdString();
    ASSERT_NE(content.find('+'), std::string::npos);
    EXPECT_EQ(postForm("/upload", "note=n&name=plus.png&content=" + content).status, 200);
    EXPECT_EQ(readFile(doc("plus.png")).toStdString(), bytes);
}

TEST_F(UploadRoute, UploadGoesToTheRegisteredFolderAndSaveToTheTop) {
    QDir().mkpath(doc("Inbox"));
    writeFile(doc("keep.txt"), "old");
    startServer(doc("Inbox"));
    EXPECT_EQ(upload("in.png", "inbox").body, savedText(doc("Inbox/in.png")));
    EXPECT_EQ(readFile(doc("Inbox/in.png")), "inbox");

    const Reply saved = postForm("/save", formBody("n", "keep.txt", "new contents"));
    EXPECT_EQ(saved.status, 200);
    EXPECT_EQ(saved.body, savedText(doc("keep.txt")));
    EXPECT_EQ(readFile(doc("keep.txt")), "new contents"); // save replaces, any type
    EXPECT_TRUE(m_alerts->titles().empty());
    EXPECT_EQ(folderEntries(documents()), (QStringList{"Inbox", "keep.txt"}));
}

TEST_F(UploadRoute, ConcurrentUploadsOfOneNameWriteOnce) {
    startServer();
    constexpr int uploads = 8;
    std::vector<Reply> replies(uploads);
    std::vector<std::thread> threads;
    for (int i = 0; i < uploads; ++i)
        threads.emplace_back([&, i] { replies[size_t(i)] = upload("race.jpg", pattern(300000, i)); });
    for (std::thread &thread : threads)
        thread.join();

    int saved = 0;
    int winner = -1;
    for (int i = 0; i < uploads; ++i) {
        EXPECT_EQ(replies[size_t(i)].status, 200);
        if (replies[size_t(i)].body == savedText(doc("race.jpg"))) {
            ++saved;
            winner = i;
        } else {
            EXPECT_EQ(replies[size_t(i)].body, existsText(doc("race.jpg")));
        }
    }
    ASSERT_EQ(saved, 1);
    EXPECT_EQ(readFile(doc("race.jpg")).toStdString(), pattern(300000, winner));
    EXPECT_EQ(m_alerts->titles().size(), size_t(uploads - 1));
    EXPECT_EQ(folderEntries(documents()), QStringList{"race.jpg"});
}

// A write that fails half-way (the file size limit stands in for a full disk) leaves neither a
// partial file under the name nor a temporary file, and an existing file stays as it was.
TEST_F(UploadRoute, WriteFailingHalfWayLeavesNothingBehind) {
    writeFile(doc("keep.png"), "original");
    startServer();
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 1024 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

    const Reply uploaded = upload("big.png", pattern(3 * 1024 * 1024, 3));
    const Reply replaced = postForm("/save", formBody("n", "keep.png", pattern(3 * 1024 * 1024, 4)));
    const Reply streamed = putStream("stream.png", pattern(3 * 1024 * 1024, 5));

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(uploaded.status, 500);
    EXPECT_EQ(replaced.status, 500);
    EXPECT_EQ(streamed.status, 500);
    EXPECT_EQ(uploaded.body, "The file could not be written.");
    EXPECT_EQ(readFile(doc("keep.png")), "original");
    EXPECT_EQ(folderEntries(documents()), QStringList{"keep.png"});
}

TEST_F(UploadRoute, BodiesOverTheLimitAreRefused) {
    startServer();
    m_server->setFormBodyLimit(4096);
    startServer(); // routes take the limit when registered
    const Reply tooLarge = upload("big.png", pattern(8000, 1));
    EXPECT_EQ(tooLarge.status, 413);
    EXPECT_EQ(postForm("/save", formBody("n", "big.png", pattern(8000, 1))).status, 413);
    EXPECT_EQ(upload("small.png", pattern(1000, 1)).status, 200);
    // The streamed route takes files far beyond the form limit.
    const std::string large = pattern(6 * 1024 * 1024 + 3, 9);
    EXPECT_EQ(putStream("large.mp4", large).status, 200);
    EXPECT_TRUE(readFile(doc("large.mp4")).toStdString() == large);
    EXPECT_EQ(folderEntries(documents()), (QStringList{"large.mp4", "small.png"}));
}

// A declared body over the limit is answered before a single body byte is sent.
TEST_F(UploadRoute, OversizedBodyIsRefusedBeforeItIsRead) {
    startServer();
    // The connection stays open (no body follows), so an answer can only come before reading.
    const std::string response =
        rawExchange("POST /upload HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                    "Content-Length: 5000000000\r\n\r\n");
    EXPECT_TRUE(response.starts_with("HTTP/1.1 413")) << response;
    EXPECT_NE(response.find("Connection: close"), std::string::npos);
    // A GET with a large body is refused before the library would read it into memory.
    EXPECT_TRUE(rawExchange("GET /list HTTP/1.1\r\nHost: x\r\nContent-Length: 5000000000\r\n\r\n")
                    .starts_with("HTTP/1.1 413"));
}

TEST_F(UploadRoute, StreamedUploadFollowsTheUploadRules) {
    startServer();
    EXPECT_EQ(putStream("clip.mp4", "video").body, savedText(doc("clip.mp4")));
    EXPECT_EQ(readFile(doc("clip.mp4")), "video");
    EXPECT_EQ(putStream("clip.mp4", "other").body, existsText(doc("clip.mp4")));
    EXPECT_EQ(readFile(doc("clip.mp4")), "video");
    EXPECT_EQ(putStream("doc.pdf", "x").status, 404);
    EXPECT_EQ(putStream("../escape.mp4", "x").status, 400);
    EXPECT_EQ(m_alerts->titles(), (std::vector<QString>{"File Already Exists", "Unsupported File Type"}));
    EXPECT_EQ(folderEntries(documents()), QStringList{"clip.mp4"});
}
