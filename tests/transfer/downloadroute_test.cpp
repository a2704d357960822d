#include "testenvironment.h"
#include "transfer/downloadstream.h"
#include "transferclient.h"

#include <QDir>
#include <sys/stat.h>

using testsupport::writeFile;

class DownloadRoute : public TransferServerTest {};

TEST_F(DownloadRoute, MissingNameOrFileIsNotFound) {
    writeFile(doc("a.txt"), "a");
    startServer();
    EXPECT_EQ(get("/download").status, 404);
    EXPECT_EQ(get("/download?name=a.txt").status, 404);
    EXPECT_EQ(download("missing.txt").status, 404);
    EXPECT_EQ(download("a.txt").status, 200);
}

TEST_F(DownloadRoute, ReadsFromTheFolderOfTheLastUnprefixedList) {
    writeFile(doc("same.txt"), "top");
    writeFile(doc("Sub/same.txt"), "sub");
    writeFile(doc("Other/same.txt"), "other");
    startServer();
    EXPECT_EQ(download("same.txt").body, "top"); // nothing listed yet
    list(std::string("Sub"));
    EXPECT_EQ(download("same.txt").body, "sub");
    list(std::string("/Documents/Other"));
    EXPECT_EQ(download("same.txt").body, "sub");
    list(std::string("/"));
    EXPECT_EQ(download("same.txt").body, "top");
}

TEST_F(DownloadRoute, NamesAreUsedExactlyAsSent) {
    writeFile(doc("100%.txt"), "percent");
    writeFile(doc("a%20b.txt"), "encoded");
    writeFile(doc("a b.txt"), "spaced");
    writeFile(doc("ünï cødé.txt"), "unicode");
    startServer();
    EXPECT_EQ(download("100%.txt").body, "percent");
    EXPECT_EQ(download("a%20b.txt").body, "encoded");
    EXPECT_EQ(download("a b.txt").body, "spaced");
    EXPECT_EQ(download("ünï cødé.txt").body, "unicode");
}

TEST_F(DownloadRoute, StreamsTheWholeFileWithItsHeaders) {
    std::string bytes(5 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) >> 3);
    writeFile(doc("movie.mp4"), QByteArray::fromStdString(bytes));
    writeFile(doc("say \"hi\".txt"), "quoted");
    startServer();

    const Reply reply = download("movie.mp4");
    ASSERT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.body == bytes);
    EXPECT_EQ(reply.header("Content-Length"), std::to_string(bytes.size()));
    EXPECT_EQ(reply.header("Content-Type"), "video/mp4");
    EXPECT_EQ(reply.header("Content-Disposition"),
              "attachment; filename=\"movie.mp4\"; filename*=UTF-8''movie.mp4");

    EXPECT_EQ(download("say \"hi\".txt").body, "quoted");
    const std::string raw = rawExchange("GET /download?path=say%20%22hi%22.txt HTTP/1.1\r\nHost: x\r\n"
                                        "Connection: close\r\n\r\n");
    EXPECT_NE(raw.find("\r\nContent-Disposition: attachment; filename=\"say _hi_.txt\"; "
                       "filename*=UTF-8''say%20%22hi%22.txt\r\n"),
              std::string::npos)
        << raw;
}

// Names in ASCII take a short way to the header; it must agree with the general one.
TEST(DispositionValue, EveryNameGetsTheSameHeaderFromUtf8AsFromText) {
    for (const std::string name : {"plain.txt", "say \"hi\".txt", "back\\slash\x01\x7f.txt", "100%.txt",
                                   "caf\xc3\xa9.pdf", "\xf0\x9f\x98\x80 smile.png"})
        EXPECT_EQ(transfer::dispositionValue(std::string_view(name)),
                  transfer::dispositionValue(QString::fromStdString(name)))
            << name;
}

TEST_F(DownloadRoute, RangesAndHead) {
    writeFile(doc("digits.txt"), "0123456789");
    startServer();
    const Reply part = download("digits.txt", "bytes=2-5");
    EXPECT_EQ(part.status, 206);
    EXPECT_EQ(part.body, "2345");
    EXPECT_EQ(part.header("Content-Range"), "bytes 2-5/10");

    EXPECT_EQ(download("digits.txt", "bytes=7-").body, "789");
    EXPECT_EQ(download("digits.txt", "bytes=-3").body, "789");
    EXPECT_EQ(download("digits.txt", "bytes=8-100").body, "89"); // end clamped
    const Reply past = download("digits.txt", "bytes=10-");
    EXPECT_EQ(past.status, 416);
    EXPECT_EQ(past.header("Content-Range"), "bytes */10");
    EXPECT_EQ(download("digits.txt", "bytes=0-1,4-5").body, "0123456789"); // several ranges: whole body

    const Reply headReply = head("/download?path=digits.txt");
    EXPECT_EQ(headReply.status, 200);
    EXPECT_EQ(headReply.header("Content-Length"), "10");
    EXPECT_TRUE(headReply.body.empty());
    EXPECT_EQ(headReply.header("Accept-Ranges"), "bytes");
}

TEST_F(DownloadRoute, EmptyFileIsAnEmptyReply) {
    writeFile(doc("empty.mp3"), "");
    startServer();
    const Reply reply = download("empty.mp3");
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.body.empty());
    EXPECT_EQ(reply.header("Content-Length"), "0");
    EXPECT_EQ(download("empty.mp3", "bytes=0-").status, 416);
    EXPECT_EQ(head("/download?path=empty.mp3").header("Content-Length"), "0");
}

TEST_F(DownloadRoute, WhatCannotBeReadAsAFileIsNotFound) {
    QDir().mkpath(doc("folder"));
    ASSERT_EQ(::mkfifo(doc("pipe.txt").toLocal8Bit().constData(), 0644), 0);
    startServer();
    EXPECT_EQ(download("folder").status, 404);
    EXPECT_EQ(download("pipe.txt").status, 404);
}
