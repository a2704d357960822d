#pragma once

#include "apiservice.h"
#include "applehandoff.h"
#include "platform/result.h"

#include <QString>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

namespace apiserver {

enum class ListenError { CannotBind };

// The HTTP side of tidewell-api: POST on the service path, handed to ApiService, and the two
// routes of Sign in with Apple's hand-off (POST /auth/apple/callback, GET /auth/apple/result),
// handed to AppleHandoff. Runs cpp-httplib's accept loop on a thread of its own and handlers on
// its pool. Neither collaborator is owned; both must outlive the front end.
class HttpFrontend {
public:
    HttpFrontend(ApiService &service, AppleHandoff &appleHandoff);
    ~HttpFrontend(); // stops and joins

    // Binds (port 0 picks a free port) and starts serving; the bound port on success.
    platform::Result<int, ListenError> start(const QString &address, int port);
    void stop();

private:
    ApiService &m_service;
    AppleHandoff &m_appleHandoff;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
};

} // namespace apiserver
