#include "testenvironment.h"
#include "transfer/zipstream.h"
#include "transferclient.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <optional>

#include <fcntl.h>
#include <unistd.h>

using testsupport::writeFile;

namespace {

// Runs a command on an archive file and gives its output; empty when it fails.
QString run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

uint64_t readLe(const std::string &bytes, size_t at, int width) {
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | uint8_t(bytes[at + size_t(i)]);
    return value;
}

} // namespace

class ZipRoute : public TransferServerTest {
protected:
    // Downloads the ZIP of the names into a file and gives the reply.
    Reply zip(const std::vector<std::string> &names, const QString &file) const {
        std::string target = "/download-zip";
        for (size_t i = 0; i < names.size(); ++i)
            target += (i ? "&path=" : "?path=") + http::encodeComponent(names[i]);
        const Reply reply = get(target);
        writeFile(file, QByteArray::fromStdString(reply.body));
        return reply;
    }
};

TEST_F(ZipRoute, StreamsFoldersAndFilesThatUnzipReadsBack) {
    writeFile(doc("Trips/Plage été.txt"), "sable");
    writeFile(doc("Trips/Beach/deep.bin"), QByteArray(3 * 1024 * 1024 + 5, 'x'));
    writeFile(doc("Trips/.tidewell-abc.part"), "an upload in progress");
    writeFile(doc("top.txt"), "top");
    QDir().mkpath(doc("Trips/Empty"));
    ASSERT_EQ(::symlink(QFile::encodeName(outside() + "/secret.txt").constData(),
                        QFile::encodeName(doc("Trips/secret.txt")).constData()),
              0);
    ASSERT_EQ(
        ::symlink(QFile::encodeName(outside()).constData(), QFile::encodeName(doc("Trips/out")).constData()),
        0);
    startServer();
    const QString file = m_root->path() + "/out.zip";
    const Reply reply = zip({"Trips", "top.txt"}, file);
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(reply.header("Content-Type"), "application/zip");
    EXPECT_EQ(reply.header("Transfer-Encoding"), "chunked");
    EXPECT_EQ(reply.header("Content-Disposition"),
              "attachment; filename=\"Documents.zip\"; filename*=UTF-8''Documents.zip");

    EXPECT_TRUE(run("unzip", {"-tq", file}).contains("No errors detected"))
        << run("unzip", {"-t", file}).toStdString();
    // Names in UTF-8, folders with everything below them, nothing of the outside or staging files.
    const QStringList names = run("zipinfo", {"-1", file}).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(names, QStringList({"Trips/", "Trips/Beach/", "Trips/Beach/deep.bin", "Trips/Empty/",
                                  "Trips/Plage été.txt", "top.txt"}));
    EXPECT_EQ(run("unzip", {"-p", file, "Trips/Plage été.txt"}), "sable");
    EXPECT_EQ(run("unzip", {"-p", file, "Trips/Beach/deep.bin"}).size(), 3 * 1024 * 1024 + 5);

    // One folder is offered under its own name, and from the folder listed last.
    list(std::string("Trips"));
    EXPECT_EQ(zip({"Beach"}, file).header("Content-Disposition"),
              "attachment; filename=\"Beach.zip\"; filename*=UTF-8''Beach.zip");
    EXPECT_EQ(run("zipinfo", {"-1", file}).split('\n', Qt::SkipEmptyParts),
              QStringList({"Beach/", "Beach/deep.bin"}));
}

TEST_F(ZipRoute, RefusesMissingUnsafeAndOutsideNames) {
    writeFile(doc("a.txt"), "a");
    ASSERT_EQ(::symlink(QFile::encodeName(outside()).constData(), QFile::encodeName(doc("out")).constData()),
              0);
    startServer();
    const std::pair<std::string, int> cases[] = {
        {"/download-zip", 400},
        {"/download-zip?path=missing.txt", 404},
        {"/download-zip?path=a.txt&path=missing.txt", 404},
        {"/download-zip?path=..", 404},
        {"/download-zip?path=..%2Foutside", 404},
        {"/download-zip?path=out", 404},
        {"/download-zip?path=a.txt", 200},
    };
    for (const auto &[target, status] : cases)
        EXPECT_EQ(get(target).status, status) << target;
}

// A sparse file of 4 GiB and a few bytes: the archive carries its size in ZIP64 records, which is
// all of it read through the stream (only its end is kept here).
TEST(ZipStreamLarge, FilesOver4GiBGetZip64Records) {
    QTemporaryDir root(testsupport::sandboxRoot() + "/zip64-XXXXXX");
    const uint64_t size = (uint64_t(1) << 32) + 5;
    {
        const int fd =
            ::open(QFile::encodeName(root.path() + "/big.bin").constData(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(size)), 0);
        ASSERT_EQ(::close(fd), 0);
    }
    auto stream = transfer::ZipStream::open(root.path(), QString(), {"big.bin"});
    ASSERT_TRUE(stream);
    uint64_t total = 0;
    std::string tail;
    const http::ChunkWriter write = [&](const char *data, size_t n) {
        total += n;
        tail.append(data, n);
        if (tail.size() > 4096)
            tail.erase(0, tail.size() - 4096);
        return true;
    };
    ASSERT_TRUE(stream.value()->writeAll(write));
    EXPECT_GT(total, size);

    // The ZIP64 end of central directory record and, in the central header, the size as ZIP64.
    const size_t end64 = tail.rfind(std::string("PK\x06\x06", 4));
    ASSERT_NE(end64, std::string::npos);
    EXPECT_NE(tail.rfind(std::string("PK\x06\x07", 4)), std::string::npos) << "the ZIP64 end locator";
    const size_t central = tail.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    EXPECT_EQ(readLe(tail, central + 24, 4), 0xffffffffu) << "the 32-bit size defers to the ZIP64 field";
    const size_t nameLength = readLe(tail, central + 28, 2);
    EXPECT_EQ(tail.substr(central + 46, nameLength), "big.bin");
    const size_t extraLength = readLe(tail, central + 30, 2);
    std::optional<uint64_t> zip64Size;
    for (size_t at = central + 46 + nameLength; at + 4 <= central + 46 + nameLength + extraLength;
         at += 4 + readLe(tail, at + 2, 2))
        if (readLe(tail, at, 2) == 0x0001)
            zip64Size = readLe(tail, at + 4, 8);
    EXPECT_EQ(zip64Size, size) << "the ZIP64 extra field holds the size";
}
