// Many clients at once over the transfer routes, and uploads cut off half-way.
#include "rawhttp.h"
#include "testenvironment.h"
#include "transferclient.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <thread>

namespace {

using testsupport::RawConnection;

class ConcurrentClients : public TransferServerTest {};

std::string bytesFor(int client, int round) {
    std::string bytes(1000 + (client * 7919 + round * 104729) % 300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 31 + size_t(client) * 17 + size_t(round)) % 251);
    return bytes;
}

std::string putRequest(const std::string &name, const std::string &bytes) {
    return "PUT /upload-stream?path=" + name +
           " HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(bytes.size()) + "\r\n\r\n" + bytes;
}

// 200 clients, each on one keep-alive connection of its own address, list, download and upload
// until the time is up (TIDEWELL_STRESS_SECONDS, 30 by default); every
// byte that comes back or lands on disk is compared.
TEST_F(ConcurrentClients, ListsDownloadsAndUploadsKeepEveryByte) {
    const std::string shared = bytesFor(9999, 1) + bytesFor(9998, 2);
    testsupport::writeFile(doc("shared.mp4"), QByteArray::fromStdString(shared));
    startServer();
    const char *seconds = std::getenv("TIDEWELL_STRESS_SECONDS");
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::seconds(seconds ? std::atoi(seconds) : 30);
    constexpr int clients = 200;
    std::vector<int> uploads(clients, 0);
    std::vector<std::string> failures(clients);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            const std::string source = "127.0.2." + std::to_string(1 + c);
            RawConnection client(m_server->port(), source.c_str(), 60);
            for (int round = 0; std::chrono::steady_clock::now() < until; ++round) {
                const std::string name = "c" + std::to_string(c) + "-" + std::to_string(round) + ".mp4";
                const std::string bytes = bytesFor(c, round);
                client.send("GET /list?path=%2F HTTP/1.1\r\nHost: x\r\n\r\n"
                            "GET /download?path=shared.mp4 HTTP/1.1\r\nHost: x\r\n\r\n" +
                            putRequest(name, bytes));
                const auto listing = client.readReply();
                const auto download = client.readReply();
                const auto upload = client.readReply();
                if (!listing || listing->status != 200 ||
                    listing->body.find("shared.mp4") == std::string::npos)
                    failures[c] = "listing failed in round " + std::to_string(round);
                else if (!download || download->body != shared)
                    failures[c] = "download differs in round " + std::to_string(round);
                else if (!upload || upload->status != 200)
                    failures[c] = "upload failed in round " + std::to_string(round);
                if (!failures[c].empty())
                    return;
                uploads[c] = round + 1;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    int total = 0;
    for (int c = 0; c < clients; ++c) {
        EXPECT_EQ(failures[c], "") << "client " << c;
        EXPECT_GT(uploads[c], 0) << "client " << c;
        for (int round = 0; round < uploads[c]; ++round, ++total) {
            const std::string name = "c" + std::to_string(c) + "-" + std::to_string(round) + ".mp4";
            ASSERT_EQ(testsupport::readFile(doc(QString::fromStdString(name))).toStdString(),
                      bytesFor(c, round))
                << name;
        }
    }
    EXPECT_EQ(QDir(documents()).entryList(QDir::Files | QDir::Hidden).size(), total + 1);
}

TEST_F(ConcurrentClients, AnUploadCutOffHalfWayLeavesNothingOnDisk) {
    startServer();
    const std::string form = "note=n&name=form.mp4&content=" + std::string(300000, 'A');
    for (const std::string &start :
         {std::string("PUT /upload-stream?path=clip.mp4"), std::string("POST /upload")}) {
        RawConnection client(m_server->port());
        ASSERT_TRUE(client.send(start +
                                " HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                                "Content-Length: 5000000\r\n\r\n" +
                                form));
    }
    EXPECT_EQ(putStream("after.mp4", "whole").status, 200);
    // Stopping and destroying the server waits for its handlers, whatever they were doing.
    m_server->stop();
    m_server.reset();
    EXPECT_EQ(QDir(documents()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"after.mp4"});
}

} // namespace
