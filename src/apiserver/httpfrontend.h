#pragma once

#include "apiservice.h"
#include "platform/result.h"

#include <QString>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

namespace apiserver {

enum class ListenError { CannotBind };

// The HTTP side of tidewell-api: one route, POST on the service path, handed to ApiService.
// Runs cpp-httplib's accept loop on a thread of its own and handlers on its pool.
class HttpFrontend {
public:
    explicit HttpFrontend(ApiService &service);
    ~HttpFrontend(); // stops and joins

    // Binds (port 0 picks a free port) and starts serving; the bound port on success.
    platform::Result<int, ListenError> start(const QString &address, int port);
    void stop();

private:
    ApiService &m_service;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
};

} // namespace apiserver
