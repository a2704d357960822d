#pragma once

#include "apiservice.h"
#include "applehandoff.h"
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

// The HTTP side of tidewell-api on the event-driven server of src/http (its event threads and
// worker pool): POST on the service path, handed to ApiService, and the two routes of Sign in with
// Apple's hand-off (POST /auth/apple/callback, GET /auth/apple/result), handed to AppleHandoff.
// Neither collaborator is owned; both must outlive the front end.
class HttpFrontend {
public:
    HttpFrontend(ApiService &service, AppleHandoff &appleHandoff);
    ~HttpFrontend(); // stops and joins

    // Binds (port 0 picks a free port) and starts serving; the bound port on success.
    platform::Result<int, ListenError> start(const QString &address, int port);
    void stop();

private:
    http::HttpResponse serve(const http::HttpRequest &request);

    ApiService &m_service;
    AppleHandoff &m_appleHandoff;
    std::unique_ptr<http::HttpServer> m_server;
};

} // namespace apiserver
