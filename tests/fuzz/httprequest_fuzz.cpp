// The HTTP engine's request path with raw bytes off the wire: one server on a loopback port, with
// the request gate (access code on) in front of routes that read queries, headers, ranges, forms
// and streamed bodies as the transfer routes do. Each input is sent on a new connection, which
// is then half-closed; the server must answer or close without crashing, leaking or hanging.
#include "transfer/accesscode.h"
#include "http/httpserver.h"
#include "transfer/requestgate.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using http::HttpRequest;
using http::HttpResponse;

struct Harness {
    http::HttpServer server{http::ServerOptions{4, 1, 1, {}}};
    transfer::AccessCode code;
    std::unique_ptr<transfer::RequestGate> gate;

    Harness() {
        transfer::RequestGate::Config config;
        config.hostNames = {"localhost", "box.local"};
        config.addresses = {"127.0.0.1", "::1"};
        config.port = 8080;
        config.openPaths = {"/", "/sign-in"};
        config.sessionCheck = [this](std::string_view token) {
            return code.isSession(token);
        };
        gate = std::make_unique<transfer::RequestGate>(std::move(config));
        server.setRequestFilter([this](const HttpRequest &request) -> std::optional<HttpResponse> {
            const std::string host = request.header("Host"), origin = request.header("Origin"),
                              site = request.header("Sec-Fetch-Site"), cookie = request.header("Cookie");
            auto decision = gate->check({request.method(), request.path(), host, origin, site, cookie});
            if (decision.allowed())
                return std::nullopt;
            return HttpResponse::text(decision.body, decision.status);
        });
        server.route(http::Method::Any, "/", [](const HttpRequest &request) {
            std::string echo = request.method() + ' ' + request.path();
            for (const auto &[key, value] : request.query())
                echo += '\n' + key + '=' + value;
            return HttpResponse::text(echo);
        });
        server.route(
            http::Method::Post, "/sign-in",
            [this](const HttpRequest &request) {
                const auto form = request.formPairs();
                if (!form)
                    return HttpResponse::badRequest("form");
                for (const auto &[key, value] : *form)
                    if (key == "code" && code.signIn(request.remoteAddress(), value).outcome ==
                                             transfer::AccessCode::Outcome::Accepted)
                        return HttpResponse::text("in");
                return HttpResponse::withStatus(403);
            },
            http::RouteOptions{256});
        server.route(
            http::Method::Put, "/stream",
            [](const HttpRequest &request) {
                uint64_t total = 0;
                const auto read = request.readBody([&total](const char *, size_t n) {
                    total += n;
                    return true;
                });
                return HttpResponse::text(std::to_string(total) + ' ' + std::to_string(int(read)));
            },
            http::RouteOptions{4096});
        const std::string content(1000, 'z');
        server.route(http::Method::Get, "/file", [content](const HttpRequest &request) {
            (void)request.ranges();
            (void)request.contentLength();
            return HttpResponse::stream(
                content.size(), "application/octet-stream",
                [content](uint64_t offset, uint64_t length, const http::ChunkWriter &write) {
                    if (offset + length > content.size())
                        std::abort(); // the engine asked past the end
                    return write(content.data() + offset, size_t(length));
                });
        });
        if (!server.start(0, "127.0.0.1"))
            std::abort();
    }
};

Harness &harness() {
    static Harness *instance = new Harness(); // lives until the process ends
    return *instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Harness &h = harness();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        std::abort();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(h.server.port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{3, 0};
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        std::abort();
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break; // the server may close early on a bad request
        sent += size_t(n);
    }
    ::shutdown(fd, SHUT_WR);
    char buffer[4096];
    ssize_t got;
    while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
    }
    ::close(fd);
    return 0;
}
