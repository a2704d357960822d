#include "http/httpserver.h"

#include "http/engine.h"
#include "http/reply.h"

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

} // namespace

// ---- HttpRequest ----

HttpRequest::HttpRequest(detail::Exchange &exchange, uint64_t maxBodyBytes)
    : m_exchange(exchange)
    , m_maxBodyBytes(maxBodyBytes) {
    m_query = queryOf(exchange.connection.head->target);
}

const std::string &HttpRequest::method() const {
    return m_exchange.connection.head->method;
}
const std::string &HttpRequest::path() const {
    return m_exchange.connection.path;
}

std::optional<std::string> HttpRequest::queryValue(std::string_view key) const {
    for (const auto &[name, value] : m_query)
        if (name == key)
            return value;
    return std::nullopt;
}

std::string HttpRequest::header(const std::string &name) const {
    const std::string *value = m_exchange.connection.head->field(name);
    return value ? *value : std::string();
}
const std::vector<std::pair<std::string, std::string>> &HttpRequest::headers() const {
    return m_exchange.connection.head->fields;
}
bool HttpRequest::hasHeader(const std::string &name) const {
    return m_exchange.connection.head->field(name) != nullptr;
}
std::string HttpRequest::remoteAddress() const {
    return m_exchange.connection.peer;
}

std::optional<uint64_t> HttpRequest::contentLength() const {
    return m_exchange.connection.head->contentLength;
}

bool HttpRequest::hasBody() const {
    return m_exchange.connection.head->hasBody();
}

std::vector<std::pair<int64_t, int64_t>> HttpRequest::ranges() const {
    const std::string *range = m_exchange.connection.head->field("Range");
    return range ? detail::parseRanges(*range) : std::vector<std::pair<int64_t, int64_t>>();
}

BodyRead HttpRequest::readBody(const std::function<bool(const char *, size_t)> &sink) const {
    if (m_bodyConsumed)
        return BodyRead::Failed;
    m_bodyConsumed = true;
    return m_exchange.engine.readBody(m_exchange.connection, m_maxBodyBytes, sink);
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

HttpResponse HttpResponse::fromFile(platform::UniqueFd fd, uint64_t length, std::string contentType) {
    HttpResponse response;
    response.contentType = std::move(contentType);
    response.streamLength = length;
    response.file = std::make_shared<const platform::UniqueFd>(std::move(fd));
    return response;
}

HttpResponse HttpResponse::fromFile(platform::UniqueFd fd, const struct stat &info, std::string contentType) {
    HttpResponse response = fromFile(std::move(fd), uint64_t(info.st_size), std::move(contentType));
    response.fileIdentity = FileIdentity{uint64_t(info.st_dev), uint64_t(info.st_ino), uint64_t(info.st_size),
                                         int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    return response;
}

// ---- HttpServer ----

HttpServer::~HttpServer() {
    stop();
    reapRetired(true);
}

namespace {
std::atomic<uint64_t> g_tableVersions{0};
}

HttpServer::HttpServer(ServerOptions options)
    : m_options(std::move(options))
    , m_tableVersion(++g_tableVersions) {}

template <class Change> void HttpServer::changeTable(Change change) {
    std::lock_guard lock(m_routesMutex);
    auto table = std::make_shared<RouteTable>(*m_table);
    change(*table);
    m_table = std::move(table);
    m_tableVersion.store(++g_tableVersions, std::memory_order_release);
}

void HttpServer::route(Method method, const std::string &path, Handler handler, RouteOptions options) {
    auto route = std::make_shared<const Route>(Route{std::move(handler), options});
    changeTable([&](RouteTable &table) { table.routes[{method, path}] = std::move(route); });
}

bool HttpServer::hasRoute(Method method, const std::string &path) const {
    std::lock_guard lock(m_routesMutex);
    return m_table->routes.count(std::pair<Method, std::string_view>(method, path)) != 0;
}

void HttpServer::setRequestFilter(RequestFilter filter) {
    auto kept = filter ? std::make_shared<const RequestFilter>(std::move(filter)) : nullptr;
    changeTable([&](RouteTable &table) { table.filter = std::move(kept); });
}

const std::shared_ptr<const HttpServer::RouteTable> &HttpServer::routeTable() const {
    thread_local uint64_t seen = 0;
    thread_local std::shared_ptr<const RouteTable> kept;
    if (m_tableVersion.load(std::memory_order_acquire) != seen) {
        std::lock_guard lock(m_routesMutex);
        kept = m_table;
        seen = m_tableVersion.load(std::memory_order_relaxed);
    }
    return kept;
}

const HttpServer::Route *HttpServer::RouteTable::find(const std::string &method,
                                                      std::string_view path) const {
    auto it = routes.find(std::pair<Method, std::string_view>(methodOf(method), path));
    if (it == routes.end())
        it = routes.find(std::pair<Method, std::string_view>(Method::Any, path));
    return it == routes.end() ? nullptr : it->second.get();
}

bool HttpServer::start(uint16_t port, const std::string &bindAddress) {
    if (isRunning())
        return true;
    reapRetired(false);
    m_error.clear();
    auto engine = std::make_unique<detail::Engine>(*this, m_options);
    const std::optional<uint16_t> bound = engine->listen(bindAddress, port, m_error);
    if (!bound)
        return false;
    try {
        engine->run();
    } catch (const std::exception &error) {
        m_error = error.what();
        return false;
    }
    m_port = *bound;
    m_current = std::move(engine);
    return true;
}

bool HttpServer::isRunning() const {
    return m_current && m_current->isRunning();
}

void HttpServer::stop() {
    if (!m_current)
        return;
    m_current->stop();
    m_retired.push_back(std::move(m_current));
    reapRetired(false);
}

void HttpServer::waitUntilStopped() {
    reapRetired(true);
}

void HttpServer::reapRetired(bool wait) {
    std::erase_if(m_retired, [wait](const std::unique_ptr<detail::Engine> &engine) {
        return wait || engine->finished();
    });
}

} // namespace http
