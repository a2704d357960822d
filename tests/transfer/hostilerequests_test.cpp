// Requests from foreign web pages and foreign host names, the page's security headers, the
// access code and the leftovers of killed writers, against a real server on loopback.
#include "testenvironment.h"
#include "transfer/stagedfile.h"
#include "transferclient.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

struct Raw {
    int status = 0;
    std::string head;
    std::string body;
    bool hasHeader(const std::string &line) const {
        return head.find("\r\n" + line + "\r\n") != std::string::npos;
    }
    std::string header(const std::string &name) const {
        const size_t at = head.find("\r\n" + name + ": ");
        if (at == std::string::npos)
            return {};
        const size_t start = at + name.size() + 4;
        return head.substr(start, head.find("\r\n", start) - start);
    }
};

QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace

class HostileRequests : public TransferServerTest {
protected:
    std::string own() const { return "127.0.0.1:" + std::to_string(m_server->port()); }

    Raw send(const std::string &method, const std::string &target, const std::vector<std::string> &headers,
             const std::string &body = {}, std::string host = {}) const {
        std::string request = method + " " + target + " HTTP/1.1\r\nHost: " + (host.empty() ? own() : host) +
                              "\r\nConnection: close\r\n";
        for (const std::string &header : headers)
            request += header + "\r\n";
        if (!body.empty() || method != "GET")
            request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\n";
        const std::string reply = rawExchange(request + "\r\n" + body);
        Raw raw;
        const size_t headEnd = reply.find("\r\n\r\n");
        if (reply.size() < 12 || headEnd == std::string::npos)
            return raw;
        raw.status = std::stoi(reply.substr(9, 3));
        raw.head = reply.substr(0, headEnd + 2);
        raw.body = reply.substr(headEnd + 4);
        return raw;
    }
};

// Every write route, asked by a foreign page, by the page itself and by a script.
struct WriteCase {
    const char *method;
    const char *target;
    const char *name; // the file the request would write, at the top of the document folder
    bool replaces;    // the route overwrites an existing file
};

class ForeignWrites : public HostileRequests, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ForeignWrites, ForeignOriginChangesNothingOwnOriginAndScriptsAreServed) {
    const WriteCase &c = GetParam();
    startServer();
    writeFile(doc(c.name), "original");
    const std::string body =
        std::string(c.method) == "PUT" ? std::string("evil") : formBody("n", c.name, "evil");
    const std::vector<std::vector<std::string>> foreign = {
        {"Origin: http://evil.example.com", "Sec-Fetch-Site: cross-site"},
        {"Origin: http://evil.example.com"},
        {"Origin: null"},
        {"Sec-Fetch-Site: cross-site"},
        {"Origin: http://127.0.0.1:1"},
    };
    for (const auto &headers : foreign) {
        const Raw refused = send(c.method, c.target, headers, body);
        EXPECT_EQ(refused.status, 403) << c.target << " " << headers.front();
        EXPECT_EQ(refused.body, "Requests from other web sites may not change files.");
        EXPECT_EQ(readFile(doc(c.name)), "original") << c.target;
        EXPECT_EQ(entries(documents()), QStringList{c.name}) << c.target;
    }
    // The page's own requests (a browser sends Origin even to its own origin) and curl's.
    const Raw own =
        send(c.method, c.target, {"Origin: http://" + this->own(), "Sec-Fetch-Site: same-origin"}, body);
    EXPECT_EQ(own.status, 200) << own.body;
    EXPECT_EQ(readFile(doc(c.name)), c.replaces ? "evil" : "original");
    QFile::remove(doc(c.name));
    const Raw script = send(c.method, c.target, {}, body);
    EXPECT_EQ(script.status, 200) << script.body;
    EXPECT_EQ(readFile(doc(c.name)), "evil");
}

INSTANTIATE_TEST_SUITE_P(Routes, ForeignWrites,
                         ::testing::Values(WriteCase{"POST", "/save", "top.png", true},
                                           WriteCase{"POST", "/upload", "up.png", false},
                                           WriteCase{"PUT", "/upload-stream?path=big.mp4", "big.mp4",
                                                     false}));

TEST_F(HostileRequests, OnlyOwnNamesAndAddressesAreServed) {
    startServer();
    writeFile(doc("a.txt"), "a");
    const std::string port = ":" + std::to_string(m_server->port());
    const std::string machine = QSysInfo::machineHostName().toStdString();
    for (const std::string &host :
         {own(), std::string("localhost") + port, std::string("LOCALHOST"), machine + port,
          machine + ".local" + port, std::string("[::1]") + port, std::string("x")}) {
        EXPECT_EQ(send("GET", "/list?path=/", {}, {}, host).status, 200) << host;
    }
    for (const std::string &host : {std::string("evil.example.com") + port, std::string("rebind.test"),
                                    std::string("192.0.2.77") + port, std::string("localhost.evil.com")}) {
        for (const char *target : {"/", "/list?path=/", "/download?path=a.txt"}) {
            const Raw refused = send("GET", target, {}, {}, host);
            EXPECT_EQ(refused.status, 421) << host << target;
            EXPECT_NE(
                refused.body.find("This device answers only to its own addresses. Open <a href=\"http://"),
                std::string::npos)
                << refused.body;
            EXPECT_EQ(refused.body.find("\"a\""), std::string::npos);
        }
    }
    // --allow-host admits a name; the list replaces the earlier one.
    m_server->setAllowedHosts({"files.example.org"});
    EXPECT_EQ(send("GET", "/list?path=/", {}, {}, "files.example.org").status, 200);
    EXPECT_EQ(send("GET", "/list?path=/", {}, {}, "x").status, 421);
}

TEST_F(HostileRequests, PageAndAssetsCarrySecurityHeadersDownloadsAreAttachments) {
    startServer();
    for (const char *target : {"/", "/app.js", "/base.css", "/icon.png"}) {
        const Raw page = send("GET", target, {});
        EXPECT_EQ(page.status, 200) << target;
        EXPECT_TRUE(page.hasHeader("Content-Security-Policy: default-src 'self'; img-src 'self' data:"))
            << target;
        EXPECT_TRUE(page.hasHeader("X-Content-Type-Options: nosniff")) << target;
        EXPECT_TRUE(page.hasHeader("Referrer-Policy: no-referrer")) << target;
    }
    writeFile(doc("page.html"), "<script>alert(1)</script>");
    ASSERT_EQ(send("GET", "/list?path=/", {}).status, 200);
    const Raw download = send("GET", "/download?path=page.html", {});
    EXPECT_EQ(download.status, 200);
    EXPECT_TRUE(download.header("Content-Disposition").starts_with("attachment; ")) << download.head;
    EXPECT_TRUE(download.hasHeader("X-Content-Type-Options: nosniff"));
}

TEST_F(HostileRequests, AccessCodeIsOffByDefaultAndGuardsEveryDataRouteWhenOn) {
    startServer();
    EXPECT_TRUE(m_server->accessCode().empty());
    EXPECT_EQ(send("GET", "/list?path=/", {}).status, 200);
    EXPECT_EQ(send("POST", "/sign-in", {}, "code=123456").status, 404);

    m_server->setAccessCodeEnabled(true);
    const std::string code = m_server->accessCode();
    ASSERT_EQ(code.size(), 6u);
    const std::string wrong = code == "000000" ? "000001" : "000000";
    EXPECT_EQ(send("GET", "/", {}).status, 200);
    EXPECT_EQ(send("GET", "/app.js", {}).status, 200);
    for (const char *target : {"/list?path=/", "/download?path=a.txt"})
        EXPECT_EQ(send("GET", target, {}).status, 401) << target;
    const Raw noSession = send("POST", "/save", {}, formBody("n", "s.png", "x"));
    EXPECT_EQ(noSession.status, 401);
    EXPECT_EQ(noSession.body, "The access code is needed.");
    EXPECT_FALSE(QFile::exists(doc("s.png")));

    const Raw refused = send("POST", "/sign-in", {}, "code=" + wrong);
    EXPECT_EQ(refused.status, 403);
    EXPECT_EQ(refused.body, "The access code is wrong.");
    EXPECT_TRUE(refused.header("Set-Cookie").empty());
    // A foreign page cannot sign in for the browser.
    EXPECT_EQ(send("POST", "/sign-in", {"Origin: http://evil.example.com"}, "code=" + code).status, 403);

    const Raw accepted = send("POST", "/sign-in", {"Origin: http://" + own()}, "code=" + code);
    ASSERT_EQ(accepted.status, 200);
    const std::string cookie = accepted.header("Set-Cookie");
    EXPECT_TRUE(cookie.starts_with("tidewell_session=")) << cookie;
    EXPECT_NE(cookie.find("; HttpOnly"), std::string::npos) << cookie;
    EXPECT_NE(cookie.find("; SameSite=Strict"), std::string::npos) << cookie;
    EXPECT_EQ(cookie.find("Max-Age"), std::string::npos) << "a session cookie dies with the browser session";
    const std::string session = "Cookie: " + cookie.substr(0, cookie.find(';'));
    EXPECT_EQ(send("GET", "/list?path=/", {session}).status, 200);
    EXPECT_EQ(send("POST", "/save", {session}, formBody("n", "s.png", "x")).status, 200);

    // Five wrong codes in a minute from one address: then even the right one is refused.
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(send("POST", "/sign-in", {}, "code=" + wrong).status, 403);
    const Raw limited = send("POST", "/sign-in", {}, "code=" + code);
    EXPECT_EQ(limited.status, 429);
    EXPECT_EQ(limited.body, "Too many wrong codes: try again in a minute.");
    EXPECT_FALSE(limited.header("Retry-After").empty());

    // The session dies with the server: a restart makes a new code and forgets it.
    m_server->stop();
    startServer();
    EXPECT_EQ(send("GET", "/list?path=/", {session}).status, 401);
}

TEST_F(HostileRequests, StartRemovesTemporaryFilesOfKilledWritersOnly) {
    QDir(documents()).mkdir("in");
    const QString upload = doc("in");
    for (const QString &path : {doc(".tidewell-abc.part"), upload + "/.tidewell-def.part"})
        writeFile(path, "half a file");
    writeFile(doc(".tidewell-notes.txt"), "not ours");
    writeFile(doc("live.part"), "not ours either");
    ASSERT_TRUE(QFile::link(outside() + "/secret.txt", doc(".tidewell-link.part")));
    // A writer that is still at work holds its lock.
    writeFile(doc(".tidewell-live.part"), "being written");
    const int held = ::open(QFile::encodeName(doc(".tidewell-live.part")).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    startServer(upload);
    ::close(held);
    EXPECT_EQ(entries(documents()), (QStringList{".tidewell-link.part", ".tidewell-live.part",
                                                 ".tidewell-notes.txt", "in", "live.part"}));
    EXPECT_TRUE(entries(upload).isEmpty());
    EXPECT_EQ(readFile(outside() + "/secret.txt").isEmpty(), false);
}
