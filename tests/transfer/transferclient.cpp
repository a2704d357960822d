#include "transferclient.h"

#include "testenvironment.h"
#include "http/urlencoding.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

void RecordingAlerts::showAlert(const QString &title, const QString &, const QString &) {
    std::lock_guard lock(m_mutex);
    m_titles.push_back(title);
}

std::vector<QString> RecordingAlerts::titles() const {
    std::lock_guard lock(m_mutex);
    return m_titles;
}

void RecordingAlerts::clear() {
    std::lock_guard lock(m_mutex);
    m_titles.clear();
}

std::string Reply::header(const std::string &name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

void TransferServerTest::SetUp() {
    m_root = std::make_unique<QTemporaryDir>(testsupport::sandboxRoot() + "/transfer-XXXXXX");
    ASSERT_TRUE(m_root->isValid());
    m_documents = m_root->path() + "/Documents";
    m_outside = m_root->path() + "/outside";
    QDir().mkpath(m_documents);
    testsupport::writeFile(m_outside + "/secret.txt", "top secret");
}

void TransferServerTest::TearDown() {
    if (m_server)
        m_server->stop();
    m_server.reset();
}

void TransferServerTest::startServer(const QString &uploadFolder, const std::string &bind) {
    if (!m_server) {
        const QString documents = m_documents;
        m_server = std::make_unique<transfer::TransferServer>(
            [documents] { return std::optional<QString>(documents); }, m_alerts);
        m_server->setPort(0);
        // The raw exchanges name the host "x", as a name admitted with --allow-host would be.
        m_server->setAllowedHosts({"x"});
    }
    m_server->setBindAddress(bind);
    m_host = bind;
    m_server->registerUploadRoute(uploadFolder.isEmpty() ? m_documents : uploadFolder);
    m_server->registerRoutes();
    ASSERT_TRUE(m_server->isRunning());
}

testsupport::HttpClient TransferServerTest::client() const {
    return testsupport::HttpClient(m_host, m_server ? m_server->port() : 1, 30);
}

namespace {
Reply toReply(const std::optional<testsupport::HttpResult> &result) {
    Reply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = result->body;
    reply.headers = result->headers;
    return reply;
}
} // namespace

Reply TransferServerTest::get(const std::string &target) const {
    return toReply(client().get(target));
}
Reply TransferServerTest::head(const std::string &target) const {
    return toReply(client().head(target));
}

Reply TransferServerTest::list(const std::optional<std::string> &folder) const {
    return get(folder ? "/list?path=" + http::encodeComponent(*folder) : "/list");
}

QJsonObject TransferServerTest::listJson(const std::optional<std::string> &folder) const {
    const Reply reply = list(folder);
    EXPECT_EQ(reply.status, 200);
    return QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).object();
}

Reply TransferServerTest::download(const std::string &name, const std::string &range) const {
    testsupport::HttpHeaders headers;
    if (!range.empty())
        headers.emplace("Range", range);
    return toReply(client().get("/download?path=" + http::encodeComponent(name), headers));
}

Reply TransferServerTest::postForm(const std::string &path, const std::string &body) const {
    return toReply(client().post(path, body, "application/x-www-form-urlencoded"));
}

std::string TransferServerTest::formBody(const std::string &note, const std::string &name,
                                         const std::string &bytes) {
    const std::string content = QByteArray::fromStdString(bytes).toBase64().toStdString();
    return "note=" + http::encodeComponent(note) + "&name=" + http::encodeComponent(name) +
           "&content=" + http::encodeComponent(content);
}

Reply TransferServerTest::upload(const std::string &name, const std::string &bytes,
                                 const std::string &route) const {
    return postForm(route, formBody("from a test", name, bytes));
}

Reply TransferServerTest::putStream(const std::string &name, const std::string &bytes) const {
    return toReply(client().put("/upload-stream?path=" + http::encodeComponent(name), bytes,
                                 "application/octet-stream"));
}

std::string TransferServerTest::rawExchange(const std::string &request) const {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_server->port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return {};
    }
    EXPECT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), ssize_t(request.size()));
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    // Reads one reply: up to the end of its body by Content-Length, or until the server closes.
    std::string response;
    char buffer[4096];
    ssize_t got;
    while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
        response.append(buffer, size_t(got));
        const size_t headEnd = response.find("\r\n\r\n");
        const size_t lengthAt = response.find("Content-Length: ");
        if (headEnd != std::string::npos && lengthAt != std::string::npos && lengthAt < headEnd) {
            const size_t length = std::stoul(response.substr(lengthAt + 16));
            if (response.size() >= headEnd + 4 + length)
                break;
        }
    }
    ::close(fd);
    return response;
}

std::vector<std::string> entryNames(const QJsonObject &reply) {
    std::vector<std::string> names;
    for (const QJsonValue entry : reply.value("files").toArray())
        names.push_back(entry.toObject().value("name").toString().toStdString());
    std::sort(names.begin(), names.end());
    return names;
}
