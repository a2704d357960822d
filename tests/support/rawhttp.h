#pragma once

// A plain blocking HTTP/1.1 client over one TCP connection to a loopback server, for tests that
// need what ordinary clients hide: pipelining, half-sent headers, bodies cut off, Expect. Every
// read has a time-out, so a server that never answers fails the test instead of hanging it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace testsupport {

struct RawReply {
    int status = 0;
    std::string head; // status line and fields, without the empty line
    std::string body;

    std::string header(std::string_view name) const {
        size_t at = 0;
        while ((at = head.find("\r\n", at)) != std::string::npos) {
            at += 2;
            if (head.size() > at + name.size() &&
                ::strncasecmp(head.data() + at, name.data(), name.size()) == 0 &&
                head[at + name.size()] == ':') {
                const size_t start = head.find_first_not_of(' ', at + name.size() + 1);
                return head.substr(start, head.find("\r\n", start) - start);
            }
        }
        return {};
    }
};

class RawConnection {
public:
    // Connects to 127.0.0.1:port, from `source` (another 127.x.y.z address) when given, asking for
    // segments of at most `maxSegment` bytes when given (as over Ethernet, not loopback's 64 KiB).
    explicit RawConnection(uint16_t port, const char *source = nullptr, int timeoutSeconds = 10,
                           int maxSegment = 0) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0)
            return;
        timeval timeout{timeoutSeconds, 0};
        sockaddr_in from{};
        from.sin_family = AF_INET;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0 ||
            ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0 ||
            (maxSegment > 0 &&
             ::setsockopt(m_fd, IPPROTO_TCP, TCP_MAXSEG, &maxSegment, sizeof maxSegment) != 0) ||
            (source && (::inet_pton(AF_INET, source, &from.sin_addr) != 1 ||
                        ::bind(m_fd, reinterpret_cast<sockaddr *>(&from), sizeof from) != 0)) ||
            ::connect(m_fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0)
            close();
    }
    ~RawConnection() { close(); }
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            bytes.remove_prefix(size_t(sent));
        }
        return true;
    }

    // One reply with a Content-Length body (or none); nullopt when the connection ends or times out
    // first. A reply to HEAD has no body: pass headOnly.
    std::optional<RawReply> readReply(bool headOnly = false) {
        size_t end;
        while ((end = m_buffer.find("\r\n\r\n")) == std::string::npos)
            if (!fill())
                return std::nullopt;
        RawReply reply;
        reply.head = m_buffer.substr(0, end);
        m_buffer.erase(0, end + 4);
        reply.status = reply.head.size() > 12 ? std::stoi(reply.head.substr(9, 3)) : 0;
        const std::string length = reply.header("Content-Length");
        const size_t size = headOnly || length.empty() ? 0 : std::stoull(length);
        while (m_buffer.size() < size)
            if (!fill())
                return std::nullopt;
        reply.body = m_buffer.substr(0, size);
        m_buffer.erase(0, size);
        return reply;
    }

    // Reads up to `size` body bytes as they come; the count read before the stream ended.
    size_t drain(size_t size) {
        size_t got = std::min(size, m_buffer.size());
        m_buffer.erase(0, got);
        while (got < size && fill()) {
            const size_t take = std::min(size - got, m_buffer.size());
            m_buffer.erase(0, take);
            got += take;
        }
        return got;
    }

    // Everything until the server closes the connection (or the time-out).
    std::string readAll() {
        while (fill()) {
        }
        return std::exchange(m_buffer, std::string());
    }

    // True once the server has closed the connection (end of stream or reset) within the time-out,
    // whatever it sent before.
    bool closedByServer() {
        char byte[4096];
        for (;;) {
            const ssize_t got = ::recv(m_fd, byte, sizeof byte, 0);
            if (got == 0 || (got < 0 && errno == ECONNRESET))
                return true;
            if (got < 0)
                return false;
        }
    }

    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    bool fill() {
        char chunk[65536];
        const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (got <= 0)
            return false;
        m_buffer.append(chunk, size_t(got));
        return true;
    }

    int m_fd = -1;
    std::string m_buffer;
};

} // namespace testsupport
