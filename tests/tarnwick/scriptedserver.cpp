#include "scriptedserver.h"

#include "tarnwick/protocol.h"

#include <gtest/gtest.h>

#include <chrono>

namespace testsupport {

std::string RecordedRequest::header(const std::string &name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
}

ScriptedServer::ScriptedServer(Script script)
    : m_server(std::make_unique<http::HttpServer>()) {
    m_server->route(
        http::Method::Post, tarnwick::protocol::servicePath,
        [this, script](const http::HttpRequest &request) {
            QByteArray body;
            request.readBody([&body](const char *data, size_t size) {
                body.append(data, qsizetype(size));
                return true;
            });
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back({request.method(), request.path(),
                                      {request.headers().begin(), request.headers().end()}, body});
            }
            return script(request);
        },
        http::RouteOptions{1 << 20});
    EXPECT_TRUE(m_server->start(0, "127.0.0.1")) << m_server->errorText();
    m_port = m_server->port();
}

ScriptedServer::~ScriptedServer() {
    m_server->stop();
}

QUrl ScriptedServer::url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(tarnwick::protocol::servicePath));
}

std::vector<RecordedRequest> ScriptedServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

} // namespace testsupport
