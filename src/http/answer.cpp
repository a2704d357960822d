// The request side of the engine: answering a parsed request (filter, route, handler), reading
// its body for the handler, and writing the reply.
#include "http/engine.h"
#include "http/reply.h"

#include "platform/log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace http::detail {
namespace {

constexpr size_t bodyReadSize = 256 * 1024;
constexpr uint64_t smallFileLimit = 64 * 1024;
// One sendfile call's most, and what sendfile moves through its pipe in one go (sixteen pages).
constexpr uint64_t sendfileStep = 4 * 1024 * 1024;
constexpr uint64_t sendfilePiece = 64 * 1024;
const std::string tooLargeMessage = "The request body is too large.";

// Between sendfile's pieces the socket is open to acknowledgements, and with TCP_NODELAY one sends
// the partly filled last segment at once. Where a segment holds most of a piece (65,483 bytes on
// loopback), each piece then leaves a tail of a few bytes that goes out as a packet of its own: half
// as many packets again for both ends to handle. There each call ends on a segment's boundary
// instead: what fills the open segment, then whole segments up to a piece. (TCP_CORK holds the
// tails as well, but downloads measured slower with it.) Where a piece holds many segments (45 of
// Ethernet's 1,448 bytes) a tail adds one packet in 45, and calls of one piece cost more than that:
// those go in calls of sendfileStep. Read once a flush, as the segment size grows with the peer's
// window early in a connection; the calls in between keep count.
struct SegmentAlignment {
    uint64_t size = 0; // zero: no alignment
    uint64_t fill = 0; // bytes queued into the segment being filled

    static SegmentAlignment of(int fd) {
        SegmentAlignment alignment;
        int segment = 0;
        socklen_t length = sizeof segment;
        int unsent = 0;
        if (::getsockopt(fd, IPPROTO_TCP, TCP_MAXSEG, &segment, &length) != 0 ||
            segment < int(sendfilePiece / 4) || ::ioctl(fd, SIOCOUTQNSD, &unsent) != 0 || unsent < 0)
            return alignment;
        alignment.size = uint64_t(segment);
        alignment.fill = uint64_t(unsent) % alignment.size;
        return alignment;
    }

    [[nodiscard]] uint64_t step() const {
        if (size == 0)
            return sendfileStep;
        const uint64_t toBoundary = size - fill;
        return toBoundary >= sendfilePiece ? toBoundary
                                           : toBoundary + (sendfilePiece - toBoundary) / size * size;
    }

    void sent(uint64_t bytes) {
        if (size > 0)
            fill = (fill + bytes) % size;
    }
};

} // namespace

HttpResponse Engine::respond(Connection &connection) {
    const RequestHead &head = *connection.head;
    Exchange exchange{connection, *this};
    const HttpServer::Route *route = std::exchange(connection.route, nullptr);
    const RequestFilter *filter = std::exchange(connection.filter, nullptr);
    HttpRequest request(exchange, route ? route->options.maxBodyBytes : 0);
    if (m_stopping)
        return HttpResponse::withStatus(503, "The server is stopping.");
    if (filter) {
        if (std::optional<HttpResponse> refusal = (*filter)(request))
            return std::move(*refusal);
    }
    if (!route)
        return HttpResponse::notFound("Not Found");
    // A body the server will not take is refused before a byte of it is read; the client that
    // waits for "100 Continue" learns it without sending it.
    if (head.contentLength && *head.contentLength > route->options.maxBodyBytes)
        return HttpResponse::withStatus(413, tooLargeMessage);
    if ((head.method == "GET" || head.method == "HEAD") && head.hasBody() &&
        (head.chunked || *head.contentLength > route->options.maxBodyBytes))
        return HttpResponse::withStatus(413, tooLargeMessage);
    try {
        return route->handler(request);
    } catch (const std::exception &error) {
        return HttpResponse::internalServerError(std::string("Internal error: ") + error.what());
    } catch (...) {
        return HttpResponse::internalServerError("Internal error");
    }
}

// Answers the request of the connection and lays out its reply. Answers false when the
// connection is gone (closed or handed on).
bool Engine::answer(Connection &connection, bool onWorker) {
    HttpResponse response = respond(connection);
    connection.table.reset();
    RequestHead &head = *connection.head;
    // Unread body bytes would be taken for the next request on this connection.
    const bool bodyLeft = head.hasBody() && !connection.parser->is_done();
    bool close = response.closeConnection || !head.keepAlive || bodyLeft || m_stopping;
    const bool headOnly = head.method == "HEAD";
    if (m_options.requestLog)
        logRequest(connection, head, response.status, onWorker);

    connection.out.clear();
    connection.outSent = 0;
    if (response.streamLength) {
        const uint64_t length = *response.streamLength;
        const auto span = requestedSpan(head.field("Range"), length);
        if (span && !*span) {
            response.status = 416;
            response.headers = {{"Content-Range", "bytes */" + std::to_string(length)}};
            response.contentType = "text/plain";
            response.body = "Range Not Satisfiable";
            response.streamLength.reset();
            response.provider = nullptr;
            response.file.reset();
        } else {
            const ByteSpan part = span ? **span : ByteSpan{0, length};
            if (span && response.status == 200) {
                response.status = 206;
                response.headers.emplace_back("Content-Range",
                                              "bytes " + std::to_string(part.first) + "-" +
                                                  std::to_string(part.first + part.count - 1) + "/" +
                                                  std::to_string(length));
            }
            response.headers.emplace_back("Accept-Ranges", "bytes");
            connection.out = replyHead(response.status, response.headers, response.contentType, part.count,
                                       close, head.version == 10 && !close);
            if (!headOnly && part.count > 0) {
                if (response.file && length <= smallFileLimit) {
                    const std::shared_ptr<const std::string> contents = smallFile(response, length);
                    if (contents)
                        connection.out.append(*contents, size_t(part.first), size_t(part.count));
                    else
                        close = true;
                } else if (response.file) {
                    connection.file = std::move(response.file);
                    connection.fileOffset = part.first;
                    connection.fileLeft = part.count;
                } else if (response.provider) {
                    connection.provider = std::move(response.provider);
                    connection.providerOffset = part.first;
                    connection.providerLength = part.count;
                }
            }
        }
    }
    if (!response.streamLength && response.chunks) {
        // HTTP/1.0 knows no chunks: the body then ends with the connection.
        const bool framed = head.version != 10;
        close = close || !framed;
        std::vector<std::pair<std::string, std::string>> headers = std::move(response.headers);
        if (framed)
            headers.emplace_back("Transfer-Encoding", "chunked");
        connection.out =
            replyHead(response.status, headers, response.contentType, std::nullopt, close, false);
        if (!headOnly) {
            connection.chunks = std::move(response.chunks);
            connection.chunkFraming = framed;
        }
    } else if (!response.streamLength) {
        const bool noBody = response.status == 304 || response.status == 204;
        connection.out = replyHead(response.status, response.headers, response.contentType,
                                   noBody ? std::nullopt : std::optional<uint64_t>(response.body.size()),
                                   close, head.version == 10 && !close);
        // A large body goes out from its own buffer beside the head, without a copy.
        if (!headOnly && !noBody && response.body.size() > 16 * 1024)
            connection.body = std::move(response.body);
        else if (!headOnly && !noBody)
            connection.out += response.body;
    }
    connection.closeAfter = close;
    connection.replied = true;
    connection.parser.reset();
    connection.head.reset();
    return true;
}

// The whole of a small file, from the cache when its identity is known and kept there.
std::shared_ptr<const std::string> Engine::smallFile(const HttpResponse &response, uint64_t length) {
    const bool identified = response.fileIdentity && response.fileIdentity->size == length;
    if (identified)
        if (auto kept = m_smallFiles.find(*response.fileIdentity))
            return kept;
    auto contents = std::make_shared<std::string>(size_t(length), '\0');
    if (::pread(response.file->get(), contents->data(), contents->size(), 0) != ssize_t(length)) {
        platform::log(QStringLiteral("HTTP server: reading a file to send failed"));
        return nullptr;
    }
    if (identified)
        m_smallFiles.insert(*response.fileIdentity, contents);
    return contents;
}

void Engine::errorReply(Connection &connection, int status, const std::string &text) {
    connection.parser.reset();
    connection.head.reset();
    connection.out = replyHead(status, {}, "text/plain", text.size(), true, false) + text;
    connection.outSent = 0;
    connection.closeAfter = true;
    connection.in.clear();
    connection.inStart = 0;
}

Engine::Flush Engine::flush(Connection &connection) {
    while (connection.outSent < connection.out.size() || connection.bodySent < connection.body.size()) {
        iovec parts[2] = {
            {connection.out.data() + connection.outSent, connection.out.size() - connection.outSent},
            {connection.body.data() + connection.bodySent, connection.body.size() - connection.bodySent}};
        msghdr message{};
        message.msg_iov = parts[0].iov_len > 0 ? parts : parts + 1;
        message.msg_iovlen = parts[0].iov_len > 0 ? 2 : 1;
        const int more = connection.fileLeft > 0 ? MSG_MORE : 0;
        const ssize_t sent = ::sendmsg(connection.fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT | more);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK ? Flush::Blocked : Flush::Failed;
        }
        const size_t fromHead = std::min(size_t(sent), parts[0].iov_len);
        connection.outSent += fromHead;
        connection.bodySent += size_t(sent) - fromHead;
    }
    connection.out.clear();
    connection.outSent = 0;
    std::string().swap(connection.body);
    connection.bodySent = 0;
    SegmentAlignment segments =
        connection.fileLeft > 0 ? SegmentAlignment::of(connection.fd) : SegmentAlignment{};
    while (connection.fileLeft > 0) {
        off_t offset = off_t(connection.fileOffset);
        const ssize_t sent = ::sendfile(connection.fd, connection.file->get(), &offset,
                                        size_t(std::min(connection.fileLeft, segments.step())));
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK ? Flush::Blocked : Flush::Failed;
        }
        if (sent == 0) { // the file shrank under us: the promised length cannot be kept
            platform::log(QStringLiteral("HTTP server: a file ended before its announced length"));
            return Flush::Failed;
        }
        connection.fileOffset += uint64_t(sent);
        connection.fileLeft -= uint64_t(sent);
        segments.sent(uint64_t(sent));
    }
    connection.file.reset();
    return Flush::Done;
}

bool Engine::waitFor(int fd, short events) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, m_options.readTimeoutSeconds * 1000);
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && !m_stopping;
    }
}

bool Engine::writeBlocking(Connection &connection, const char *data, size_t size) {
    while (size > 0) {
        if (m_stopping)
            return false;
        const ssize_t sent = ::send(connection.fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(connection.fd, POLLOUT))
                continue;
            return false;
        }
        data += sent;
        size -= size_t(sent);
    }
    return true;
}

bool Engine::writeProvider(Connection &connection) {
    if (!writeBlocking(connection, connection.out.data() + connection.outSent,
                       connection.out.size() - connection.outSent))
        return false;
    connection.out.clear();
    connection.outSent = 0;
    if (connection.chunks) {
        const auto chunks = std::move(connection.chunks);
        connection.chunks = nullptr;
        const bool framed = connection.chunkFraming;
        const bool complete = chunks([&](const char *data, size_t size) {
            if (size == 0) // an empty chunk would end the body
                return true;
            if (!framed)
                return writeBlocking(connection, data, size);
            char line[24];
            const int length = std::snprintf(line, sizeof line, "%zx\r\n", size);
            return writeBlocking(connection, line, size_t(length)) && writeBlocking(connection, data, size) &&
                   writeBlocking(connection, "\r\n", 2);
        });
        return complete && (!framed || writeBlocking(connection, "0\r\n\r\n", 5));
    }
    BodyProvider provider = std::move(connection.provider);
    connection.provider = nullptr;
    uint64_t written = 0;
    const uint64_t length = connection.providerLength;
    const bool complete = provider(connection.providerOffset, length, [&](const char *data, size_t size) {
        // A provider that writes past the range it was asked for would corrupt the connection.
        if (written + size > length)
            return false;
        written += size;
        return writeBlocking(connection, data, size);
    });
    return complete && written == length;
}

BodyRead Engine::readBody(Connection &connection, uint64_t limit,
                          const std::function<bool(const char *, size_t)> &sink) {
    static thread_local std::unique_ptr<char[]> buffer(new char[bodyReadSize]);
    const RequestHead &head = *connection.head;
    if (!head.hasBody())
        return BodyRead::Complete;
    if (head.contentLength && *head.contentLength > limit)
        return BodyRead::TooLarge;
    if (head.expectContinue && connection.inStart == connection.in.size() && !connection.continueSent) {
        static const std::string goOn = "HTTP/1.1 100 Continue\r\n\r\n";
        connection.continueSent = true;
        if (!writeBlocking(connection, goOn.data(), goOn.size()))
            return BodyRead::Failed;
    }
    uint64_t received = 0;
    BodyRead outcome = BodyRead::Complete;
    RequestParser &parser = *connection.parser;
    parser.setSink([&](const char *data, size_t size) {
        received += size;
        if (received > limit) {
            outcome = BodyRead::TooLarge;
            return false;
        }
        if (m_stopping || !sink(data, size)) {
            outcome = BodyRead::Stopped;
            return false;
        }
        return true;
    });
    // Bytes that came with the header first, then straight from the socket in large pieces; what
    // follows the body is the next request's and stays in the buffer.
    auto feed = [&](const char *data, size_t size, size_t &taken) {
        const RequestParser::Status status = parser.feed(data, size, taken);
        if (status == RequestParser::Status::Done)
            return 1;
        if (status == RequestParser::Status::NeedMore)
            return 0;
        if (outcome == BodyRead::Complete)
            outcome = BodyRead::Failed;
        return -1;
    };
    int state = 0;
    if (connection.inStart < connection.in.size()) {
        size_t taken = 0;
        state =
            feed(connection.in.data() + connection.inStart, connection.in.size() - connection.inStart, taken);
        connection.inStart += taken;
    }
    while (state == 0) {
        const ssize_t got = ::recv(connection.fd, buffer.get(), bodyReadSize, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(connection.fd, POLLIN))
            continue;
        if (got <= 0) {
            outcome = BodyRead::Failed;
            break;
        }
        size_t taken = 0;
        state = feed(buffer.get(), size_t(got), taken);
        if (taken < size_t(got)) {
            connection.in.erase(0, connection.inStart);
            connection.inStart = 0;
            connection.in.append(buffer.get() + taken, size_t(got) - taken);
        }
    }
    parser.setSink(nullptr);
    if (m_stopping && outcome == BodyRead::Failed)
        outcome = BodyRead::Stopped;
    return outcome;
}

} // namespace http::detail
