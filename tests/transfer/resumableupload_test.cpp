#include "testenvironment.h"
#include "http/urlencoding.h"
#include "transferclient.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <utime.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

std::string bytesOf(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 131) >> 2);
    return bytes;
}

// The hidden files resumable uploads keep in a folder.
QStringList partFiles(const QString &folder) {
    return QDir(folder).entryList({".tidewell-resume-*"}, QDir::Files | QDir::Hidden);
}

} // namespace

class ResumableUpload : public TransferServerTest {
protected:
    Reply piece(const std::string &id, const std::string &name, uint64_t offset, const std::string &bytes,
                uint64_t total) const {
        return put("/upload-stream?path=" + http::encodeComponent(name) + "&id=" + id +
                       "&offset=" + std::to_string(offset) + "&total=" + std::to_string(total),
                   bytes);
    }
    Reply put(const std::string &target, const std::string &bytes) const {
        const auto result = client().put(target, bytes, "application/octet-stream");
        Reply reply;
        if (result) {
            reply.status = result->status;
            reply.body = result->body;
            reply.headers = result->headers;
        }
        return reply;
    }
    const std::string file = bytesOf(100000);
};

// One upload, piece by piece: each step's status and the length the server says it holds.
TEST_F(ResumableUpload, PiecesInOrderRepeatedOutOfOrderAndTooLarge) {
    startServer();
    struct Step {
        uint64_t offset;
        size_t length;
        int status;
        std::string held; // Upload-Offset; empty: none (the upload ended)
    };
    const Step steps[] = {
        {0, 30000, 200, "30000"},     {60000, 10000, 409, "30000"}, // a gap after what arrived
        {0, 30000, 200, "30000"},                                   // repeated: written again, nothing added
        {20000, 20000, 200, "40000"},                               // overlapping what arrived
        {40000, 70000, 413, "40000"},                               // past the total
        {40000, 60000, 200, ""},                                    // the rest: saved
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.offset);
        std::string bytes = file.substr(step.offset, step.length);
        bytes.resize(step.length, 'x'); // past the end of the file
        const Reply reply = piece("upload-one", "movie.mp4", step.offset, bytes, file.size());
        EXPECT_EQ(reply.status, step.status) << reply.body;
        EXPECT_EQ(reply.header("Upload-Offset"), step.held);
        if (!step.held.empty() && step.status == 200) {
            EXPECT_EQ(head("/upload-stream?id=upload-one").header("Upload-Offset"), step.held);
        }
    }
    EXPECT_TRUE(readFile(doc("movie.mp4")).toStdString() == file);
    EXPECT_TRUE(partFiles(documents()).isEmpty());
    EXPECT_EQ(get("/upload-stream?id=upload-one").status, 404) << "a finished upload is gone";
    EXPECT_TRUE(m_alerts->titles().empty());
}

TEST_F(ResumableUpload, RefusesBadInputBeforeKeepingAnything) {
    writeFile(doc("taken.mp4"), "already here");
    startServer();
    const std::pair<std::string, int> cases[] = {
        {"/upload-stream?path=a.mp4&id=short&offset=0&total=5", 400},
        {"/upload-stream?path=a.mp4&id=bad%2Fid%2Fhere&offset=0&total=5", 400},
        {"/upload-stream?path=a.mp4&id=upload-two&offset=x&total=5", 400},
        {"/upload-stream?path=a.mp4&id=upload-two&offset=0", 400},
        {"/upload-stream?path=..%2Fa.mp4&id=upload-two&offset=0&total=5", 400},
        {"/upload-stream?path=notes.txt&id=upload-two&offset=0&total=5", 404},
        {"/upload-stream?path=taken.mp4&id=upload-two&offset=0&total=5", 200},
    };
    for (const auto &[target, status] : cases)
        EXPECT_EQ(put(target, "12345").status, status) << target;
    EXPECT_EQ(readFile(doc("taken.mp4")), "already here");
    EXPECT_TRUE(partFiles(documents()).isEmpty());
    EXPECT_EQ(m_alerts->titles().size(), 2u) << "type not supported, already exists";
    EXPECT_EQ(get("/upload-stream?id=short").status, 400);
}

// The received bytes survive the server stopping; an upload untouched for an hour does not.
TEST_F(ResumableUpload, SurvivesARestartAndExpiresAfterAnHour) {
    startServer();
    ASSERT_EQ(piece("upload-kept", "kept.mp4", 0, file.substr(0, 50000), file.size()).status, 200);
    ASSERT_EQ(piece("upload-old", "old.mp4", 0, file.substr(0, 50000), file.size()).status, 200);
    m_server->stop();
    const QStringList parts = partFiles(documents());
    ASSERT_EQ(parts.size(), 2);
    const utimbuf hoursAgo{::time(nullptr) - 7200, ::time(nullptr) - 7200};
    for (const QString &part : parts)
        if (part.contains("upload-old")) {
            ASSERT_EQ(::utime(QFile::encodeName(doc(part)).constData(), &hoursAgo), 0);
        }
    startServer();
    EXPECT_EQ(head("/upload-stream?id=upload-kept").header("Upload-Offset"), "50000");
    EXPECT_EQ(head("/upload-stream?id=upload-old").status, 404);
    const Reply late = piece("upload-old", "old.mp4", 50000, file.substr(50000), file.size());
    EXPECT_EQ(late.status, 409);
    EXPECT_EQ(late.header("Upload-Offset"), "0") << "an expired upload starts again";
    EXPECT_EQ(piece("upload-kept", "kept.mp4", 50000, file.substr(50000), file.size()).status, 200);
    EXPECT_TRUE(readFile(doc("kept.mp4")).toStdString() == file);
}

// Two browsers sending the same name end with one file; the second hears that it exists.
TEST_F(ResumableUpload, TwoUploadsOfOneNameEndWithOneFile) {
    startServer();
    const std::string other = bytesOf(90000);
    ASSERT_EQ(piece("upload-aaa", "same.mp4", 0, file.substr(0, 10), file.size()).status, 200);
    ASSERT_EQ(piece("upload-bbb", "same.mp4", 0, other, other.size()).body.rfind("File saved: ", 0), 0u);
    const Reply second = piece("upload-aaa", "same.mp4", 10, file.substr(10), file.size());
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body.rfind("File already exists: ", 0), 0u) << second.body;
    EXPECT_TRUE(readFile(doc("same.mp4")).toStdString() == other);
    EXPECT_EQ(m_alerts->titles().size(), 1u);
    EXPECT_TRUE(partFiles(documents()).isEmpty());
}
