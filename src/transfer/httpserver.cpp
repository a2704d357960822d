#include "transfer/httpserver.h"

#include "platform/log.h"
#include "transfer/wire.h"

#include <httplib.h>

#include <QString>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <sys/socket.h>

namespace http {
namespace {

Method methodOf(const std::string &name) {
    if (name == "GET" || name == "HEAD")
        return Method::Get;
    if (name == "POST")
        return Method::Post;
    if (name == "PUT")
        return Method::Put;
    if (name == "DELETE")
        return Method::Delete;
    if (name == "PATCH")
        return Method::Patch;
    if (name == "OPTIONS")
        return Method::Options;
    return Method::Any;
}

Pairs queryOf(const std::string &target) {
    const size_t mark = target.find('?');
    if (mark == std::string::npos)
        return {};
    std::string_view query(target);
    query.remove_prefix(mark + 1);
    if (const size_t hash = query.find('#'); hash != std::string_view::npos)
        query = query.substr(0, hash);
    return parseUrlEncoded(query);
}

constexpr uint64_t storedBodyLimit = 1024 * 1024;

} // namespace

// ---- HttpRequest ----

HttpRequest::HttpRequest(const httplib::Request &request, const httplib::ContentReader *reader,
                         uint64_t maxBodyBytes, const std::atomic<bool> &stopping)
    : m_request(request)
    , m_reader(reader)
    , m_maxBodyBytes(maxBodyBytes)
    , m_stopping(stopping)
    , m_query(queryOf(request.target)) {}

const std::string &HttpRequest::method() const {
    return m_request.method;
}
const std::string &HttpRequest::path() const {
    return m_request.path;
}

std::optional<std::string> HttpRequest::queryValue(std::string_view key) const {
    for (const auto &[name, value] : m_query)
        if (name == key)
            return value;
    return std::nullopt;
}

std::string HttpRequest::header(const std::string &name) const {
    return m_request.get_header_value(name);
}
bool HttpRequest::hasHeader(const std::string &name) const {
    return m_request.has_header(name);
}
std::string HttpRequest::remoteAddress() const {
    return m_request.remote_addr;
}

std::optional<uint64_t> HttpRequest::contentLength() const {
    if (!m_request.has_header("Content-Length"))
        return std::nullopt;
    const std::string text = m_request.get_header_value("Content-Length");
    char *end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || errno != 0 || *end != '\0')
        return std::nullopt;
    return uint64_t(value);
}

bool HttpRequest::hasBody() const {
    if (m_request.get_header_value("Transfer-Encoding").find("chunked") != std::string::npos)
        return true;
    const auto length = contentLength();
    return (length && *length > 0) || !m_request.body.empty();
}

std::vector<std::pair<int64_t, int64_t>> HttpRequest::ranges() const {
    std::vector<std::pair<int64_t, int64_t>> result;
    for (const auto &[first, last] : m_request.ranges)
        result.emplace_back(int64_t(first), int64_t(last));
    return result;
}

BodyRead HttpRequest::readBody(const std::function<bool(const char *, size_t)> &sink) const {
    if (m_bodyConsumed)
        return BodyRead::Failed;
    m_bodyConsumed = true;
    if (const auto length = contentLength(); length && *length > m_maxBodyBytes)
        return BodyRead::TooLarge;
    if (!m_reader) {
        // Methods without a streaming reader have their (small) body read already.
        if (m_request.body.size() > m_maxBodyBytes)
            return BodyRead::TooLarge;
        return m_request.body.empty() || sink(m_request.body.data(), m_request.body.size())
                   ? BodyRead::Complete
                   : BodyRead::Stopped;
    }
    uint64_t received = 0;
    BodyRead outcome = BodyRead::Complete;
    const bool ok = (*m_reader)([&](const char *data, size_t size) {
        received += size;
        if (received > m_maxBodyBytes) {
            outcome = BodyRead::TooLarge;
            return false;
        }
        if (m_stopping.load(std::memory_order_relaxed) || !sink(data, size)) {
            outcome = BodyRead::Stopped;
            return false;
        }
        return true;
    });
    if (!ok && outcome == BodyRead::Complete)
        outcome = BodyRead::Failed;
    return outcome;
}

std::optional<Pairs> HttpRequest::formPairs(BodyRead *outcome) const {
    std::string body;
    const BodyRead read = readBody([&body](const char *data, size_t size) {
        body.append(data, size);
        return true;
    });
    if (outcome)
        *outcome = read;
    if (read != BodyRead::Complete)
        return std::nullopt;
    return parseUrlEncoded(body);
}

// ---- HttpResponse ----

HttpResponse HttpResponse::html(std::string body) {
    HttpResponse response;
    response.contentType = "text/html; charset=utf-8";
    response.body = std::move(body);
    return response;
}

HttpResponse HttpResponse::text(std::string body, int status) {
    HttpResponse response;
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = std::move(body);
    return response;
}

HttpResponse HttpResponse::data(std::string bytes, std::string contentType) {
    HttpResponse response;
    response.contentType = std::move(contentType);
    response.body = std::move(bytes);
    return response;
}

HttpResponse HttpResponse::stream(uint64_t length, std::string contentType, BodyProvider provider) {
    HttpResponse response;
    response.contentType = std::move(contentType);
    response.streamLength = length;
    response.provider = std::move(provider);
    return response;
}

HttpResponse HttpResponse::badRequest(std::string text) {
    return HttpResponse::text(std::move(text), 400);
}
HttpResponse HttpResponse::notFound(std::string text) {
    return HttpResponse::text(std::move(text), 404);
}
HttpResponse HttpResponse::internalServerError(std::string text) {
    return HttpResponse::text(std::move(text), 500);
}
HttpResponse HttpResponse::withStatus(int status, std::string text) {
    return HttpResponse::text(std::move(text), status);
}

HttpResponse &HttpResponse::withHeader(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
    return *this;
}

// ---- HttpServer ----

struct HttpServer::Instance {
    std::unique_ptr<httplib::Server> server = std::make_unique<httplib::Server>();
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<bool> finished{false};
};

HttpServer::HttpServer(ServerOptions options)
    : m_options(std::move(options)) {}

HttpServer::~HttpServer() {
    stop();
    reapRetired(true);
}

void HttpServer::route(Method method, const std::string &path, Handler handler, RouteOptions options) {
    std::unique_lock lock(m_routesMutex);
    m_routes[{method, path}] = std::make_shared<const Route>(Route{std::move(handler), options});
}

bool HttpServer::hasRoute(Method method, const std::string &path) const {
    std::shared_lock lock(m_routesMutex);
    return m_routes.count({method, path}) != 0;
}

void HttpServer::setRequestFilter(RequestFilter filter) {
    std::unique_lock lock(m_routesMutex);
    m_filter = filter ? std::make_shared<const RequestFilter>(std::move(filter)) : nullptr;
}

std::shared_ptr<const HttpServer::Route> HttpServer::findRoute(const std::string &method,
                                                               const std::string &path) const {
    std::shared_lock lock(m_routesMutex);
    auto it = m_routes.find({methodOf(method), path});
    if (it == m_routes.end())
        it = m_routes.find({Method::Any, path});
    if (it == m_routes.end())
        return nullptr;
    return it->second;
}

namespace {

// Ranges past the end get 416; an end past the last byte is clamped, as RFC 9110 asks. cpp-httplib
// serves the (clamped) ranges from the request object itself when it writes the reply.
bool clampRanges(const httplib::Request &request, uint64_t length) {
    auto &ranges = const_cast<httplib::Ranges &>(request.ranges);
    for (auto &[first, last] : ranges) {
        if (first < 0) { // suffix range: the last `last` bytes
            if (last <= 0 || length == 0)
                return false;
            first = ssize_t(length) - std::min<ssize_t>(last, ssize_t(length));
            last = ssize_t(length) - 1;
            continue;
        }
        if (uint64_t(first) >= length)
            return false;
        if (last < 0 || uint64_t(last) >= length)
            last = ssize_t(length) - 1;
    }
    return true;
}

// The library compresses text replies for clients that accept it, and prefers Brotli at its
// strongest setting, which costs about 100 ms for a 30 KB listing where gzip takes a few: clients
// are offered gzip only.
void withoutBrotli(const httplib::Request &request) {
    auto &headers = const_cast<httplib::Headers &>(request.headers);
    const auto it = headers.find("Accept-Encoding");
    if (it == headers.end() || it->second.find("br") == std::string::npos)
        return;
    std::string kept;
    size_t start = 0;
    while (start <= it->second.size()) {
        size_t end = it->second.find(',', start);
        if (end == std::string::npos)
            end = it->second.size();
        std::string token = it->second.substr(start, end - start);
        token.erase(0, token.find_first_not_of(' '));
        if (!token.starts_with("br"))
            kept += (kept.empty() ? "" : ", ") + token;
        start = end + 1;
    }
    it->second = kept;
}

void applyResponse(HttpResponse response, const httplib::Request &request, httplib::Response &res,
                   const std::atomic<bool> &stopping) {
    withoutBrotli(request);
    res.status = response.status;
    for (auto &[name, value] : response.headers)
        res.set_header(name.c_str(), value);
    if (response.closeConnection)
        res.set_header("Connection", "close");
    if (response.chunks) {
        // The library calls the provider until it says done; ours writes the whole body at once.
        res.set_chunked_content_provider(response.contentType, [chunks = std::move(response.chunks),
                                                                &stopping](size_t, httplib::DataSink &sink) {
            const bool written = !stopping.load(std::memory_order_relaxed) &&
                                 chunks([&sink, &stopping](const char *data, size_t n) {
                                     return !stopping.load(std::memory_order_relaxed) && sink.write(data, n);
                                 });
            if (written)
                sink.done();
            return written;
        });
        return;
    }
    if (!response.streamLength) {
        if (!response.body.empty() || !response.contentType.empty())
            res.set_content(std::move(response.body), response.contentType.c_str());
        return;
    }
    const uint64_t length = *response.streamLength;
    // cpp-httplib takes a provider of length 0 for one of unknown length, and the client would wait
    // for a body that never ends: an empty body is answered as such.
    if (length == 0 && request.ranges.empty()) {
        res.set_header("Accept-Ranges", "bytes");
        res.set_content(std::string(), response.contentType.c_str());
        return;
    }
    // Several ranges at once would need multipart replies, which cpp-httplib gets wrong for
    // streamed bodies; a server may ignore Range, so such requests get the whole body.
    if (request.ranges.size() > 1)
        const_cast<httplib::Ranges &>(request.ranges).clear();
    if (!request.ranges.empty() && !clampRanges(request, length)) {
        const_cast<httplib::Ranges &>(request.ranges).clear();
        res.status = 416;
        res.headers.clear();
        res.set_header("Content-Range", "bytes */" + std::to_string(length));
        res.set_content("Range Not Satisfiable", "text/plain");
        return;
    }
    res.set_header("Accept-Ranges", "bytes");
    if (res.status == 200 && !request.ranges.empty())
        res.status = 206;
    res.set_content_provider(
        size_t(length), response.contentType.c_str(),
        [provider = std::move(response.provider), &stopping](size_t offset, size_t size,
                                                             httplib::DataSink &sink) {
            if (stopping.load(std::memory_order_relaxed))
                return false;
            return provider(offset, size, [&sink, &stopping](const char *data, size_t n) {
                return !stopping.load(std::memory_order_relaxed) && sink.write(data, n);
            });
        });
}

} // namespace

void HttpServer::install(httplib::Server &server, const std::atomic<bool> &stopping) {
    auto handle = [this, &stopping](const httplib::Request &req, httplib::Response &res,
                                    const httplib::ContentReader *reader) {
        HttpResponse response;
        const std::shared_ptr<const Route> route = findRoute(req.method, req.path);
        HttpRequest request(req, reader, route ? route->options.maxBodyBytes : 0, stopping);
        std::shared_ptr<const RequestFilter> filter;
        {
            std::shared_lock lock(m_routesMutex);
            filter = m_filter;
        }
        std::optional<HttpResponse> refusal;
        if (filter && !stopping)
            refusal = (*filter)(request);
        if (stopping) {
            response = HttpResponse::withStatus(503, "The server is stopping.");
        } else if (refusal) {
            response = std::move(*refusal);
        } else if (!route) {
            response = HttpResponse::notFound("Not Found");
        } else if (const auto length = request.contentLength();
                   length && *length > route->options.maxBodyBytes) {
            response = HttpResponse::withStatus(413, std::string(wire::tooLargeMessage));
        } else {
            try {
                response = route->handler(request);
            } catch (const std::exception &error) {
                response = HttpResponse::internalServerError(std::string("Internal error: ") + error.what());
            } catch (...) {
                response = HttpResponse::internalServerError("Internal error");
            }
        }
        // Unread body bytes would be taken for the next request on this connection.
        if (request.hasBody() && !request.bodyConsumed() && reader)
            response.closeConnection = true;
        applyResponse(std::move(response), req, res, stopping);
    };
    using ReaderHandler = httplib::Server::HandlerWithContentReader;
    const ReaderHandler withReader = [handle](const httplib::Request &req, httplib::Response &res,
                                              const httplib::ContentReader &reader) {
        handle(req, res, &reader);
    };
    const httplib::Server::Handler withoutReader = [handle](const httplib::Request &req,
                                                            httplib::Response &res) {
        handle(req, res, nullptr);
    };
    // Requests without a body are answered before the library's own routing: the route table is
    // ours, and the library's regular-expression match would only cost time. Methods without a
    // reader have a body read whole by the library, so a large one is refused first.
    server.set_pre_routing_handler([handle](const httplib::Request &req, httplib::Response &res) {
        const bool chunked = req.get_header_value("Transfer-Encoding").find("chunked") != std::string::npos;
        const uint64_t length = std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10);
        const bool bodiless = req.method == "GET" || req.method == "HEAD" || req.method == "OPTIONS";
        if (bodiless && (chunked || length > storedBodyLimit)) {
            res.status = 413;
            res.set_header("Connection", "close");
            res.set_content(std::string(wire::tooLargeMessage), "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!bodiless || chunked || length > 0)
            return httplib::Server::HandlerResponse::Unhandled;
        handle(req, res, nullptr);
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get(".*", withoutReader);
    server.Options(".*", withoutReader);
    server.Post(".*", withReader);
    server.Put(".*", withReader);
    server.Patch(".*", withReader);
    server.Delete(".*", withReader);

    // Clients that announce a body with "Expect: 100-continue" learn of an over-large body
    // before they send it.
    server.set_expect_100_continue_handler([this](const httplib::Request &req, httplib::Response &res) {
        const std::shared_ptr<const Route> route = findRoute(req.method, req.path);
        const uint64_t limit = route ? route->options.maxBodyBytes : 0;
        const uint64_t length = std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10);
        if (length > limit) {
            res.status = 413;
            res.set_header("Connection", "close");
            res.set_content(std::string(wire::tooLargeMessage), "text/plain");
            return 413;
        }
        return 100;
    });
    if (m_options.requestLog) {
        server.set_logger(
            [log = m_options.requestLog](const httplib::Request &req, const httplib::Response &res) {
                log(req.remote_addr + " " + req.method + " " + req.target + " " + std::to_string(res.status));
            });
    }
}

bool HttpServer::start(uint16_t port, const std::string &bindAddress) {
    if (isRunning())
        return true;
    reapRetired(false);
    m_error.clear();

    auto instance = std::make_unique<Instance>();
    httplib::Server &server = *instance->server;
    const int workers = m_options.workerThreads;
    server.new_task_queue = [workers] {
        return new httplib::ThreadPool(size_t(workers));
    };
    // Only SO_REUSEADDR: SO_REUSEPORT would let a second server bind a port that is in use.
    server.set_socket_options([](int socket) {
        int yes = 1;
        if (::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0)
            platform::log(QStringLiteral("HTTP server: SO_REUSEADDR refused: ") +
                          QString::fromLocal8Bit(std::strerror(errno)));
    });
    server.set_keep_alive_timeout(m_options.keepAliveSeconds);
    server.set_keep_alive_max_count(1000);
    server.set_read_timeout(m_options.readTimeoutSeconds, 0);
    server.set_write_timeout(m_options.readTimeoutSeconds, 0);
    // Routes read their bodies through a content reader and enforce their own limits, which the
    // library's payload limit would cut short. Methods without a reader get their body read
    // whole by the library, so those are refused before it when the body is large.
    server.set_payload_max_length(std::numeric_limits<size_t>::max());
    server.set_tcp_nodelay(true);
    install(server, instance->stopping);

    int bound = -1;
    errno = 0;
    if (port == 0)
        bound = server.bind_to_any_port(bindAddress);
    else if (server.bind_to_port(bindAddress, port))
        bound = port;
    if (bound <= 0) {
        const int error = errno;
        m_error = "cannot listen on " + bindAddress + " port " + std::to_string(port) +
                  (error ? std::string(": ") + std::strerror(error) : std::string());
        return false;
    }
    m_port = uint16_t(bound);
    Instance *raw = instance.get();
    instance->thread = std::thread([raw] {
        raw->server->listen_after_bind();
        raw->finished = true;
    });
    // stop() only takes effect once the listener runs, so wait for it here.
    while (!server.is_running() && !raw->finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_current = std::move(instance);
    return true;
}

bool HttpServer::isRunning() const {
    return m_current && m_current->server->is_running();
}

void HttpServer::stop() {
    if (!m_current)
        return;
    m_current->stopping = true;
    m_current->server->stop();
    m_retired.push_back(std::move(m_current));
    reapRetired(false);
}

void HttpServer::waitUntilStopped() {
    reapRetired(true);
}

void HttpServer::reapRetired(bool wait) {
    std::erase_if(m_retired, [wait](std::unique_ptr<Instance> &instance) {
        if (!wait && !instance->finished)
            return false;
        if (instance->thread.joinable())
            instance->thread.join();
        return true;
    });
}

} // namespace http
