// The engine over raw sockets: pipelining, Expect: 100-continue, the per-address cap, slow and idle
// clients, clients that vanish, and a stop with transfers in flight.
#include "http/httpserver.h"
#include "rawhttp.h"
#include "testenvironment.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using http::HttpRequest;
using http::HttpResponse;
using testsupport::RawConnection;

constexpr uint64_t bigFileSize = 32 * 1024 * 1024;

class HttpEngine : public ::testing::Test {
protected:
    void start(http::ServerOptions options = {}) {
        m_server = std::make_unique<http::HttpServer>(options);
        m_server->route(
            http::Method::Get, "/echo",
            [](const HttpRequest &request) {
                return HttpResponse::text(request.queryValue("n").value_or("-") + " " +
                                          request.remoteAddress());
            },
            http::RouteOptions{.quick = true});
        m_server->route(
            http::Method::Put, "/sink",
            [this](const HttpRequest &request) {
                uint64_t total = 0;
                const http::BodyRead read = request.readBody([&total](const char *, size_t size) {
                    total += size;
                    return true;
                });
                ++m_bodiesRead;
                m_lastRead = read;
                return HttpResponse::text(std::to_string(total),
                                          read == http::BodyRead::Complete ? 200 : 400);
            },
            http::RouteOptions{.maxBodyBytes = 1024 * 1024});
        m_server->route(http::Method::Get, "/chunks", [](const HttpRequest &) {
            HttpResponse response = HttpResponse::text("");
            response.chunks = [](const http::ChunkWriter &write) {
                return write("ab", 2) && write("", 0) && write("cde", 3);
            };
            return response;
        });
        m_server->route(
            http::Method::Get, "/small",
            [this](const HttpRequest &) {
                platform::UniqueFd fd(::open(smallFile().c_str(), O_RDONLY | O_CLOEXEC));
                struct stat info {};
                if (!fd || ::fstat(fd.get(), &info) != 0)
                    return HttpResponse::notFound();
                return HttpResponse::fromFile(std::move(fd), info, "text/plain");
            },
            http::RouteOptions{.quick = true});
        m_server->route(http::Method::Get, "/big", [this](const HttpRequest &) {
            platform::UniqueFd fd(::open(m_bigFile.c_str(), O_RDONLY | O_CLOEXEC));
            return HttpResponse::fromFile(std::move(fd), bigFileSize, "application/octet-stream");
        });
        ASSERT_TRUE(m_server->start(0, "127.0.0.1")) << m_server->errorText();
    }

    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        m_bigFile = m_folder.filePath("big.bin").toStdString();
        // Bytes that differ with their offset, so a piece sent from the wrong place shows.
        std::minstd_rand random(14);
        m_bigContent.resize(bigFileSize);
        for (char &byte : m_bigContent)
            byte = char(random());
        platform::UniqueFd fd(::open(m_bigFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        ASSERT_TRUE(platform::writeAll(fd.get(), m_bigContent.data(), m_bigContent.size()));
    }

    void TearDown() override { m_server.reset(); }

    uint16_t port() const { return m_server->port(); }
    std::string smallFile() const { return m_folder.filePath("small.txt").toStdString(); }

    // A fresh client's request still gets its answer.
    void expectANewClientIsAnswered(const char *source = nullptr) {
        RawConnection client(port(), source);
        ASSERT_TRUE(client.send("GET /echo?n=new HTTP/1.1\r\nHost: x\r\n\r\n"));
        const auto reply = client.readReply();
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200);
        EXPECT_TRUE(reply->body.starts_with("new ")) << reply->body;
    }

    QTemporaryDir m_folder{testsupport::sandboxRoot() + "/engine-XXXXXX"};
    std::string m_bigFile;
    std::string m_bigContent;
    std::unique_ptr<http::HttpServer> m_server;
    std::atomic<int> m_bodiesRead = 0;
    std::atomic<http::BodyRead> m_lastRead = http::BodyRead::Complete;
    std::mutex m_logMutex;
    std::vector<std::string> m_logged;
};

TEST_F(HttpEngine, PipelinedRequestsAreAnsweredInOrder) {
    http::ServerOptions options;
    options.requestLog = [this](const std::string &lines) {
        std::lock_guard lock(m_logMutex);
        for (size_t start = 0; start <= lines.size();) {
            const size_t end = std::min(lines.find('\n', start), lines.size());
            m_logged.push_back(lines.substr(start, end - start));
            start = end + 1;
        }
    };
    start(options);
    RawConnection client(port());
    // Quick routes, a worker's route with a body, and HEAD, all in one write.
    ASSERT_TRUE(client.send("GET /echo?n=1 HTTP/1.1\r\nHost: x\r\n\r\n"
                            "PUT /sink HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello"
                            "GET /echo?n=3 HTTP/1.1\r\nHost: x\r\n\r\n"
                            "HEAD /echo?n=4 HTTP/1.1\r\nHost: x\r\n\r\n"
                            "GET /nowhere HTTP/1.1\r\nHost: x\r\n\r\n"
                            "GET /echo?n=6 HTTP/1.1\r\nHost: x\r\n\r\n"));
    const std::vector<std::pair<int, std::string>> expected = {{200, "1 127.0.0.1"}, {200, "5"},
                                                               {200, "3 127.0.0.1"}, {200, ""},
                                                               {404, "Not Found"},   {200, "6 127.0.0.1"}};
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto reply = client.readReply(i == 3);
        ASSERT_TRUE(reply) << i;
        EXPECT_EQ(reply->status, expected[i].first) << i;
        EXPECT_EQ(reply->body, expected[i].second) << i;
    }
    // Every request has its line soon after, with the server still running (a worker's line may
    // come before the event thread's).
    std::vector<std::string> lines;
    for (int wait = 0; wait < 200 && lines.size() < expected.size(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard lock(m_logMutex);
        lines = m_logged;
    }
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"127.0.0.1 GET /echo?n=1 200", "127.0.0.1 GET /echo?n=3 200",
                                               "127.0.0.1 GET /echo?n=6 200", "127.0.0.1 GET /nowhere 404",
                                               "127.0.0.1 HEAD /echo?n=4 200", "127.0.0.1 PUT /sink 200"}));
}

TEST_F(HttpEngine, BodiesOfUnknownLengthGoOutInChunks) {
    start();
    RawConnection client(port());
    ASSERT_TRUE(
        client.send("GET /chunks HTTP/1.1\r\nHost: x\r\n\r\nGET /chunks HTTP/1.0\r\nHost: x\r\n\r\n"));
    const std::string replies = client.readAll();
    const size_t second = replies.find("HTTP/1.1 200", 1);
    ASSERT_NE(second, std::string::npos) << replies;
    const std::string framed = replies.substr(0, second), raw = replies.substr(second);
    EXPECT_NE(framed.find("\r\nTransfer-Encoding: chunked\r\n"), std::string::npos) << framed;
    EXPECT_TRUE(framed.ends_with("\r\n\r\n2\r\nab\r\n3\r\ncde\r\n0\r\n\r\n")) << framed;
    // HTTP/1.0 has no chunks: the body ends with the connection.
    EXPECT_EQ(raw.find("Transfer-Encoding"), std::string::npos) << raw;
    EXPECT_TRUE(raw.ends_with("Connection: close\r\n\r\nabcde")) << raw;
}

// Small files are served from memory while their identity holds; a change in place is seen at once.
TEST_F(HttpEngine, SmallFilesComeFromMemoryUntilTheyChange) {
    start();
    struct Step {
        const char *contents;
        const char *range;
        int status;
        const char *body;
    };
    const Step steps[] = {{"first", nullptr, 200, "first"},
                          {nullptr, "bytes=1-2", 206, "ir"},
                          {"other", nullptr, 200, "other"},
                          {"longer text", "bytes=-4", 206, "text"},
                          {nullptr, "bytes=20-", 416, "Range Not Satisfiable"}};
    int version = 0;
    RawConnection client(port());
    for (const Step &step : steps) {
        if (step.contents) {
            platform::UniqueFd fd(
                ::open(smallFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
            ASSERT_TRUE(platform::writeAll(fd.get(), step.contents, std::strlen(step.contents)));
            // A whole second apart, whatever the file system's time stamps resolve.
            const timespec times[2] = {{1000000 + ++version, 0}, {1000000 + version, 0}};
            ASSERT_EQ(::futimens(fd.get(), times), 0);
        }
        const std::string range = step.range ? std::string("Range: ") + step.range + "\r\n" : std::string();
        ASSERT_TRUE(client.send("GET /small HTTP/1.1\r\nHost: x\r\n" + range + "\r\n"));
        const auto reply = client.readReply();
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, step.status) << step.body;
        EXPECT_EQ(reply->body, step.body);
    }
}

struct ContinueCase {
    const char *name;
    uint64_t length;
    bool sendBody;
    int status;
    bool continued; // "100 Continue" came before the final answer
};

class ExpectContinue : public HttpEngine, public ::testing::WithParamInterface<ContinueCase> {};

TEST_P(ExpectContinue, TheClientLearnsBeforeSendingTheBody) {
    const ContinueCase c = GetParam();
    start();
    RawConnection client(port());
    ASSERT_TRUE(client.send("PUT /sink HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: " +
                            std::to_string(c.length) + "\r\n\r\n"));
    auto reply = client.readReply();
    ASSERT_TRUE(reply);
    if (c.continued) {
        EXPECT_EQ(reply->status, 100);
        ASSERT_TRUE(client.send(std::string(c.length, 'x')));
        reply = client.readReply();
        ASSERT_TRUE(reply);
    }
    EXPECT_EQ(reply->status, c.status);
    if (c.status == 200) {
        EXPECT_EQ(reply->body, std::to_string(c.length));
    } else {
        // The body never sent is never read: the server closes instead.
        EXPECT_EQ(reply->header("Connection"), "close");
        EXPECT_TRUE(client.closedByServer());
        EXPECT_EQ(m_bodiesRead, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExpectContinue,
                         ::testing::Values(ContinueCase{"Accepted", 1000, true, 200, true},
                                           ContinueCase{"OverTheLimit", 2 * 1024 * 1024, false, 413, false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(HttpEngine, ConnectionsPerAddressAreCapped) {
    http::ServerOptions options;
    options.maxConnectionsPerAddress = 3;
    start(options);
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<RawConnection>(port(), "127.0.0.2"));
        ASSERT_TRUE(held.back()->send("GET /echo?n=" + std::to_string(i) + " HTTP/1.1\r\nHost: x\r\n\r\n"));
        ASSERT_TRUE(held.back()->readReply());
    }
    RawConnection refused(port(), "127.0.0.2");
    const auto busy = refused.readReply();
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 503);
    EXPECT_TRUE(refused.closedByServer());
    // Another address is not affected, and a closed connection frees its place.
    expectANewClientIsAnswered("127.0.0.3");
    held.pop_back();
    bool answered = false;
    for (int attempt = 0; attempt < 50 && !answered; ++attempt) {
        RawConnection again(port(), "127.0.0.2");
        again.send("GET /echo?n=again HTTP/1.1\r\nHost: x\r\n\r\n");
        const auto reply = again.readReply();
        answered = reply && reply->status == 200;
        if (!answered)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(answered);
}

TEST_F(HttpEngine, SlowAndIdleClientsHoldNoThread) {
    http::ServerOptions options;
    options.workerThreads = 2;
    options.eventThreads = 1;
    options.headerTimeoutSeconds = 2;
    start(options);
    // 200 clients send half a header, 50 more connect and say nothing, 20 send half a body.
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 270; ++i) {
        const std::string source = "127.0.1." + std::to_string(1 + i % 50);
        slow.push_back(std::make_unique<RawConnection>(port(), source.c_str()));
        ASSERT_TRUE(slow.back()->isOpen()) << i;
        const char *start = i < 200    ? "GET /echo?n=slow HTTP/1.1\r\nHost: x\r\nX-Dribble: "
                            : i >= 250 ? "PUT /sink HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\nabc"
                                       : "";
        ASSERT_TRUE(slow.back()->send(start)) << i;
    }
    expectANewClientIsAnswered();
    // The header time-out ends a half-sent header; an idle keep-alive connection ends too.
    EXPECT_TRUE(slow.front()->closedByServer());
    EXPECT_TRUE(slow[220]->closedByServer());
    expectANewClientIsAnswered();
}

TEST_F(HttpEngine, ClientsThatVanishMidTransferLeaveTheServerWorking) {
    start();
    {
        RawConnection downloader(port());
        ASSERT_TRUE(downloader.send("GET /big HTTP/1.1\r\nHost: x\r\n\r\n"));
        EXPECT_EQ(downloader.drain(1024 * 1024), 1024u * 1024u);
    }
    {
        RawConnection uploader(port());
        ASSERT_TRUE(uploader.send("PUT /sink HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n" +
                                  std::string(5000, 'u')));
    }
    for (int attempt = 0; attempt < 250 && m_bodiesRead == 0; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(m_bodiesRead, 1);
    EXPECT_EQ(m_lastRead, http::BodyRead::Failed);
    expectANewClientIsAnswered();
    // Whole downloads still arrive byte for byte, and ranges of one: short, and long from an
    // offset on no page's boundary. Over loopback's segments of 64 KiB and over Ethernet's.
    for (const int maxSegment : {0, 1448}) {
        RawConnection client(port(), nullptr, 10, maxSegment);
        ASSERT_TRUE(client.send("GET /big HTTP/1.1\r\nHost: x\r\n\r\n"
                                "GET /big HTTP/1.1\r\nHost: x\r\nRange: bytes=10-19\r\n\r\n"
                                "GET /big HTTP/1.1\r\nHost: x\r\nRange: bytes=70001-9000000\r\n\r\n"));
        const auto whole = client.readReply();
        ASSERT_TRUE(whole);
        EXPECT_TRUE(whole->body == m_bigContent) << maxSegment;
        for (const auto &[first, last] : {std::pair<size_t, size_t>{10, 19}, {70001, 9000000}}) {
            const auto part = client.readReply();
            ASSERT_TRUE(part);
            EXPECT_EQ(part->status, 206);
            EXPECT_TRUE(part->body == m_bigContent.substr(first, last - first + 1))
                << first << " " << maxSegment;
        }
    }
}

TEST_F(HttpEngine, StopAbortsTransfersInFlightAndFreesThePort) {
    start();
    RawConnection downloader(port());
    ASSERT_TRUE(downloader.send("GET /big HTTP/1.1\r\nHost: x\r\n\r\n"));
    ASSERT_EQ(downloader.drain(64 * 1024), 64u * 1024u);
    RawConnection uploader(port());
    ASSERT_TRUE(uploader.send("PUT /sink HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\nabc"));
    const uint16_t used = port();
    m_server->stop();
    EXPECT_FALSE(m_server->isRunning());
    EXPECT_LT(downloader.drain(bigFileSize), bigFileSize);
    EXPECT_TRUE(uploader.closedByServer());
    ASSERT_TRUE(m_server->start(used, "127.0.0.1")) << m_server->errorText();
    expectANewClientIsAnswered();
}

} // namespace
