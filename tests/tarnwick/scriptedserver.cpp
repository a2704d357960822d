#include "scriptedserver.h"

#include "tarnwick/protocol.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>

namespace testsupport {

std::string RecordedRequest::header(const std::string &name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
}

ScriptedServer::ScriptedServer(Script script)
    : m_server(std::make_unique<httplib::Server>()) {
    m_server->Post(tarnwick::protocol::servicePath,
                   [this, script](const httplib::Request &request, httplib::Response &response) {
                       {
                           std::lock_guard lock(m_mutex);
                           m_requests.push_back({request.method,
                                                 request.path,
                                                 {request.headers.begin(), request.headers.end()},
                                                 QByteArray::fromStdString(request.body)});
                       }
                       script(request, response);
                   });
    m_port = m_server->bind_to_any_port("127.0.0.1");
    EXPECT_GT(m_port, 0);
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ScriptedServer::~ScriptedServer() {
    m_server->stop();
    m_thread.join();
}

QUrl ScriptedServer::url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(tarnwick::protocol::servicePath));
}

std::vector<RecordedRequest> ScriptedServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

} // namespace testsupport
