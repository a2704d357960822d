#pragma once

#include "apiservice.h"
#include "platform/result.h"

#include <QString>
#include <memory>

namespace http {
class HttpServer;
class HttpRequest;
struct HttpResponse;
} // namespace http

namespace apiserver {

enum class ListenError { CannotBind };

// The HTTP side of tidewell-api: one route, POST on the service path, handed to ApiService, on the
// event-driven server of src/http (its event threads and worker pool).
class HttpFrontend {
public:
    explicit HttpFrontend(ApiService &service);
    ~HttpFrontend(); // stops and joins

    // Binds (port 0 picks a free port) and starts serving; the bound port on success.
    platform::Result<int, ListenError> start(const QString &address, int port);
    void stop();

private:
    http::HttpResponse serve(const http::HttpRequest &request);

    ApiService &m_service;
    std::unique_ptr<http::HttpServer> m_server;
};

} // namespace apiserver
