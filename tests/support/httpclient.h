#pragma once

// A small blocking HTTP/1.1 client for tests: one request per connection (Connection: close),
// IPv4 or IPv6, a time-out on every read, replies with a Content-Length, chunked or ended by the
// close. Nothing is percent-encoded for the caller: targets go out as given.

#include <netdb.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct CaseInsensitiveLess {
    bool operator()(const std::string &a, const std::string &b) const { return ::strcasecmp(a.c_str(), b.c_str()) < 0; }
};
using HttpHeaders = std::multimap<std::string, std::string, CaseInsensitiveLess>;

struct HttpResult {
    int status = 0;
    std::string body;
    HttpHeaders headers;
};

class HttpClient {
public:
    HttpClient(std::string host, int port, int timeoutSeconds = 30)
        : m_host(std::move(host))
        , m_port(port)
        , m_timeoutMs(timeoutSeconds * 1000) {}

    // Whether a connection to the server can be opened at all.
    bool canConnect() const {
        const int fd = connectToServer();
        if (fd >= 0)
            ::close(fd);
        return fd >= 0;
    }

    // nullopt when nothing answers (refused, broken, timed out, malformed).
    std::optional<HttpResult> get(const std::string &target, const HttpHeaders &headers = {}) const {
        return send("GET", target, headers, {});
    }
    std::optional<HttpResult> head(const std::string &target) const { return send("HEAD", target, {}, {}); }
    std::optional<HttpResult> post(const std::string &target, const std::string &body,
                                   const std::string &contentType) const {
        return send("POST", target, {{"Content-Type", contentType}}, body);
    }
    std::optional<HttpResult> put(const std::string &target, const std::string &body,
                                  const std::string &contentType) const {
        return send("PUT", target, {{"Content-Type", contentType}}, body);
    }

    std::optional<HttpResult> send(const std::string &method, const std::string &target, const HttpHeaders &headers,
                                   const std::string &body) const {
        const int fd = connectToServer();
        if (fd < 0)
            return std::nullopt;
        const bool v6 = m_host.find(':') != std::string::npos;
        std::string request = method + " " + target + " HTTP/1.1\r\nHost: " + (v6 ? "[" + m_host + "]" : m_host) +
                              ":" + std::to_string(m_port) + "\r\nConnection: close\r\n";
        for (const auto &[name, value] : headers)
            request += name + ": " + value + "\r\n";
        if (!body.empty() || method == "POST" || method == "PUT")
            request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        request += "\r\n" + body;
        std::string reply;
        const bool exchanged = writeAll(fd, request) && readAll(fd, reply);
        ::close(fd);
        if (!exchanged)
            return std::nullopt;
        return parse(reply, method == "HEAD");
    }

private:
    int connectToServer() const {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *found = nullptr;
        if (::getaddrinfo(m_host.c_str(), std::to_string(m_port).c_str(), &hints, &found) != 0)
            return -1;
        const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool connected = fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) == 0;
        ::freeaddrinfo(found);
        if (!connected && fd >= 0)
            ::close(fd);
        return connected ? fd : -1;
    }

    bool writeAll(int fd, const std::string &bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (sent <= 0)
                return errno == EPIPE || errno == ECONNRESET; // the server may answer before reading all
            done += size_t(sent);
        }
        return true;
    }

    bool readAll(int fd, std::string &reply) const {
        char chunk[65536];
        for (;;) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, m_timeoutMs) <= 0)
                return false;
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got == 0 || (got < 0 && errno == ECONNRESET))
                return !reply.empty();
            if (got < 0)
                return false;
            reply.append(chunk, size_t(got));
        }
    }

    static std::optional<HttpResult> parse(const std::string &reply, bool headOnly) {
        size_t end = reply.find("\r\n\r\n");
        // A "100 Continue" before the answer is skipped.
        size_t start = 0;
        while (end != std::string::npos && reply.compare(start, 12, "HTTP/1.1 100") == 0) {
            start = end + 4;
            end = reply.find("\r\n\r\n", start);
        }
        if (end == std::string::npos || reply.size() < start + 12)
            return std::nullopt;
        HttpResult result;
        result.status = std::atoi(reply.c_str() + start + 9);
        size_t line = reply.find("\r\n", start) + 2;
        while (line < end) {
            const size_t lineEnd = reply.find("\r\n", line);
            const size_t colon = reply.find(':', line);
            if (colon != std::string::npos && colon < lineEnd) {
                const size_t value = reply.find_first_not_of(' ', colon + 1);
                result.headers.emplace(reply.substr(line, colon - line),
                                       value < lineEnd ? reply.substr(value, lineEnd - value) : std::string());
            }
            line = lineEnd + 2;
        }
        std::string rest = reply.substr(end + 4);
        const auto encoding = result.headers.find("Transfer-Encoding");
        if (headOnly) {
        } else if (encoding != result.headers.end() && encoding->second == "chunked") {
            size_t at = 0;
            for (;;) {
                const size_t sizeEnd = rest.find("\r\n", at);
                if (sizeEnd == std::string::npos)
                    return std::nullopt;
                const size_t size = std::stoul(rest.substr(at, sizeEnd - at), nullptr, 16);
                if (size == 0)
                    break;
                result.body += rest.substr(sizeEnd + 2, size);
                at = sizeEnd + 2 + size + 2;
            }
        } else if (const auto length = result.headers.find("Content-Length"); length != result.headers.end()) {
            const size_t size = std::stoul(length->second);
            if (rest.size() < size)
                return std::nullopt;
            result.body = rest.substr(0, size);
        } else {
            result.body = std::move(rest);
        }
        return result;
    }

    std::string m_host;
    int m_port;
    int m_timeoutMs;
};

} // namespace testsupport
