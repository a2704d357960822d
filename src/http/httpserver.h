#pragma once

#include "http/urlencoding.h"
#include "platform/uniquefd.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace http {

namespace detail {
struct Exchange;
class Engine;
} // namespace detail

// HEAD requests are served by the GET route of the same path (without a body).
enum class Method { Any, Get, Post, Put, Delete, Patch, Options };

enum class BodyRead { Complete, TooLarge, Stopped, Failed };

// One request as a handler sees it. Valid only while the handler runs, on the thread that runs it.
class HttpRequest {
public:
    HttpRequest(detail::Exchange &exchange, uint64_t maxBodyBytes);

    const std::string &method() const;
    const std::string &path() const;                                   // percent-decoded
    const Pairs &query() const { return m_query; }                     // decoded, in order
    std::optional<std::string> queryValue(std::string_view key) const; // the first pair of that key
    std::string header(const std::string &name) const;
    bool hasHeader(const std::string &name) const;
    // Every header field as sent, in order.
    const std::vector<std::pair<std::string, std::string>> &headers() const;
    std::string remoteAddress() const;
    bool hasBody() const;
    std::optional<uint64_t> contentLength() const;
    // The byte ranges asked for (Range header), as (first, last) with -1 for an open end.
    std::vector<std::pair<int64_t, int64_t>> ranges() const;

    // Streams the body to the sink in chunks. Stops with TooLarge once more than the route's body
    // limit arrived (or at once when Content-Length says so), with Stopped when the sink returns
    // false or the server is stopping, with Failed when the connection breaks. A body can be read once.
    BodyRead readBody(const std::function<bool(const char *, size_t)> &sink) const;

    // Reads the whole body (within the limit) and decodes it as an URL-encoded form, in order.
    std::optional<Pairs> formPairs(BodyRead *outcome = nullptr) const;

    bool bodyConsumed() const { return m_bodyConsumed; }

private:
    detail::Exchange &m_exchange;
    uint64_t m_maxBodyBytes;
    Pairs m_query;
    mutable bool m_bodyConsumed = false;
};

// Who a file is, as fstat tells: a small file's contents may be served from memory while these stay
// the same.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    auto operator<=>(const FileIdentity &) const = default;
};

// Writes a part of a streamed body: called with (offset, length) as often as needed; returns false
// to abort the response (the connection is then closed).
using ChunkWriter = std::function<bool(const char *, size_t)>;
using BodyProvider = std::function<bool(uint64_t offset, uint64_t length, const ChunkWriter &write)>;

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string contentType;
    std::string body;
    // Streamed body of a known length; ranges asked for are served from it (206), and a range past
    // the end is answered 416.
    std::optional<uint64_t> streamLength;
    BodyProvider provider;
    // A file body, sent from the descriptor with sendfile (small ones from memory); takes the place
    // of a provider.
    std::shared_ptr<const platform::UniqueFd> file;
    std::optional<FileIdentity> fileIdentity;
    // A body of unknown length, sent with chunked transfer encoding: the function writes it piece
    // by piece (each write one chunk) and answers false to abort. Runs on a worker.
    std::function<bool(const ChunkWriter &write)> chunks;
    bool closeConnection = false;

    static HttpResponse html(std::string body);
    static HttpResponse text(std::string body, int status = 200);
    static HttpResponse data(std::string bytes, std::string contentType);
    static HttpResponse stream(uint64_t length, std::string contentType, BodyProvider provider);
    // The first `length` bytes of an open regular file; ranges as for stream().
    static HttpResponse fromFile(platform::UniqueFd fd, uint64_t length, std::string contentType);
    // The whole of an open regular file that fstat described: a small one (64 KiB at most) is
    // served from a cache of contents keyed by its identity, filled by the first request.
    static HttpResponse fromFile(platform::UniqueFd fd, const struct stat &info, std::string contentType);
    static HttpResponse badRequest(std::string text);
    static HttpResponse notFound(std::string text = {});
    static HttpResponse internalServerError(std::string text = {});
    static HttpResponse withStatus(int status, std::string text = {});
    HttpResponse &withHeader(std::string name, std::string value);
};

using Handler = std::function<HttpResponse(const HttpRequest &)>;
// Looks at every request before its route: a reply refuses it, nullopt lets it through.
using RequestFilter = std::function<std::optional<HttpResponse>(const HttpRequest &)>;

struct RouteOptions {
    uint64_t maxBodyBytes = 64 * 1024;
    // The handler answers at once, waiting at most on opening or reading a local file: it runs on
    // the event thread that read the request instead of taking a worker (no hop between threads).
    // Requests with a body always go to a worker.
    bool quick = false;
};

struct ServerOptions {
    int workerThreads = 16;
    int keepAliveSeconds = 5;    // an idle connection between requests
    int readTimeoutSeconds = 30; // a body or a reply that makes no progress
    // One line per request when set. Lines of requests answered on an event thread come several at
    // once, separated by '\n': each at most a tenth of a second after its request, and all of them
    // by the time the server has stopped.
    std::function<void(const std::string &line)> requestLog;
    int eventThreads = 2;
    int headerTimeoutSeconds = 10; // from a request's first byte to the end of its header
    int maxConnectionsPerAddress = 128;
    int maxConnections = 10000;
};

// An HTTP/1.1 server with a route table keyed by method and exact path. Registering a (method,
// path) again replaces its handler. Routes may be registered while the server runs.
//
// A few event threads (epoll) accept connections, read request headers, write replies (file bodies
// with sendfile) and run quick routes; every other handler runs on a fixed pool of worker threads,
// which also stream request bodies to the handler and write provider bodies. An idle or slow
// client holds no thread. An exception from a handler becomes a 500.
class HttpServer {
public:
    explicit HttpServer(ServerOptions options = {});
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    void route(Method method, const std::string &path, Handler handler, RouteOptions options = {});
    bool hasRoute(Method method, const std::string &path) const;
    // Every request, whatever its route (or none), passes the filter first; a refused request
    // never reaches a handler and its body is never read. May be set while the server runs.
    void setRequestFilter(RequestFilter filter);
    // Takes effect at the next start.
    void setRequestLog(std::function<void(const std::string &line)> log) {
        m_options.requestLog = std::move(log);
    }

    // Starts listening on the address ("::" is every local IPv6 and IPv4 address) and port
    // (0 picks a free one). The process then ignores SIGPIPE (a vanished client is a failed write)
    // and may use descriptors up to its hard limit. Starting a running server does nothing and
    // answers true. False with errorText() when the address cannot be bound.
    bool start(uint16_t port, const std::string &bindAddress = "::");
    bool isRunning() const;
    uint16_t port() const { return m_port; }
    std::string errorText() const { return m_error; }

    // Closes the listening socket at once and aborts transfers in progress (their handlers see a
    // failed read or write); handlers still running finish in the background and are joined by
    // the next start or the destructor. Safe to call when stopped.
    void stop();
    // Waits until the work of stopped servers has ended: handlers still running (a thumbnail being
    // made, a ZIP being sent) and their connections. Before the process exits, so that no handler
    // runs while static objects are destroyed.
    void waitUntilStopped();

    struct Route {
        Handler handler;
        RouteOptions options;
    };
    // The routes and the filter as they stood at one moment. Never changed once published: a change
    // publishes a new table.
    struct RouteTable {
        struct KeyLess {
            using is_transparent = void;
            template <class A, class B> bool operator()(const A &a, const B &b) const {
                return a.first != b.first ? a.first < b.first
                                          : std::string_view(a.second) < std::string_view(b.second);
            }
        };
        std::map<std::pair<Method, std::string>, std::shared_ptr<const Route>, KeyLess> routes;
        std::shared_ptr<const RequestFilter> filter;

        const Route *find(const std::string &method, std::string_view path) const; // method as sent
    };

private:
    friend class detail::Engine;
    // The table now in force, as this thread last saw it: refreshed here when a newer one was
    // published. What it holds stays valid on this thread until its next call; a request that goes
    // to another thread takes a copy of the pointer along.
    const std::shared_ptr<const RouteTable> &routeTable() const;
    template <class Change> void changeTable(Change change);
    void reapRetired(bool wait);

    ServerOptions m_options;
    mutable std::mutex m_routesMutex;
    std::shared_ptr<const RouteTable> m_table = std::make_shared<const RouteTable>();
    std::atomic<uint64_t> m_tableVersion; // unique in the process: a thread's copy names its table
    std::unique_ptr<detail::Engine> m_current;
    std::vector<std::unique_ptr<detail::Engine>> m_retired;
    uint16_t m_port = 0;
    std::string m_error;
};

} // namespace http
