#pragma once

#include <QByteArray>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "http/httpserver.h"

namespace testsupport {

struct RecordedRequest {
    std::string method;
    std::string path;
    std::multimap<std::string, std::string> headers;
    QByteArray body;
    std::string header(const std::string &name) const;
};

// A loopback HTTP server whose answer the test scripts, for replies a real API server never
// gives (no payload, bytes that are not UTF-8, a stalled stream). Records every request.
class ScriptedServer {
public:
    using Script = std::function<http::HttpResponse(const http::HttpRequest &)>;

    explicit ScriptedServer(Script script);
    ~ScriptedServer();

    QUrl url() const;
    std::vector<RecordedRequest> requests() const;

private:
    std::unique_ptr<http::HttpServer> m_server;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<RecordedRequest> m_requests;
};

} // namespace testsupport
