#include "httpfrontend.h"

#include "http/httpserver.h"
#include "tarnwick/protocol.h"

#include <memory>

namespace apiserver {

namespace proto = tarnwick::protocol;

namespace {
constexpr uint64_t maximumBody = 1 << 20;

http::HttpResponse handoffReply(const HandoffAnswer &answer) {
    http::HttpResponse response;
    response.status = answer.status;
    response.contentType = answer.contentType.toStdString();
    response.body = answer.body.toStdString();
    response.withHeader("Cache-Control", "no-store");
    return response;
}
} // namespace

HttpFrontend::HttpFrontend(ApiService &service, AppleHandoff &appleHandoff)
    : m_service(service)
    , m_appleHandoff(appleHandoff)
    , m_server(std::make_unique<http::HttpServer>()) {
    m_server->route(
        http::Method::Post, proto::servicePath,
        [this](const http::HttpRequest &request) { return serve(request); }, http::RouteOptions{maximumBody});
    // Apple's form post, read whole up to the hand-off's limit; a longer one is handed on one byte
    // over it, which the hand-off refuses as too large.
    m_server->route(
        http::Method::Post, proto::appleCallbackPath,
        [this](const http::HttpRequest &request) {
            QByteArray body;
            const http::BodyRead read = request.readBody([&body](const char *data, size_t size) {
                body.append(data, qsizetype(size));
                return true;
            });
            if (read == http::BodyRead::TooLarge)
                body = QByteArray(qsizetype(AppleHandoff::maximumBody) + 1, 'x');
            else if (read != http::BodyRead::Complete)
                return http::HttpResponse::badRequest("The request body did not arrive.");
            return handoffReply(m_appleHandoff.receiveCallback(body));
        },
        http::RouteOptions{uint64_t(AppleHandoff::maximumBody)});
    m_server->route(http::Method::Get, proto::appleResultPath, [this](const http::HttpRequest &request) {
        const QString state = QString::fromStdString(request.queryValue(proto::appleStateItem).value_or(""));
        return handoffReply(m_appleHandoff.takeResult(state));
    });
}

HttpFrontend::~HttpFrontend() {
    stop();
}

http::HttpResponse HttpFrontend::serve(const http::HttpRequest &request) {
    QByteArray body;
    const http::BodyRead read = request.readBody([&body](const char *data, size_t size) {
        body.append(data, qsizetype(size));
        return true;
    });
    if (read == http::BodyRead::TooLarge)
        return http::HttpResponse::withStatus(413, "The request body is too large.");
    if (read != http::BodyRead::Complete)
        return http::HttpResponse::badRequest("The request body did not arrive.");
    const QByteArray token = QByteArray::fromStdString(request.header(proto::tokenHeader));
    ServiceAnswer answer = m_service.handle(body, token, QString::fromStdString(request.remoteAddress()));

    http::HttpResponse response;
    response.status = answer.status;
    response.contentType = answer.contentType.toStdString();
    if (!answer.token.isEmpty())
        response.withHeader(proto::tokenHeader, answer.token.toStdString());
    if (!answer.streamed) {
        response.body = answer.body.toStdString();
        return response;
    }
    // A streamed answer goes out chunk by chunk, each as the service made it.
    response.chunks = [chunks = std::make_shared<const std::vector<QByteArray>>(std::move(answer.chunks))](
                          const http::ChunkWriter &write) {
        for (const QByteArray &chunk : *chunks)
            if (!write(chunk.constData(), size_t(chunk.size())))
                return false;
        return true;
    };
    return response;
}

platform::Result<int, ListenError> HttpFrontend::start(const QString &address, int port) {
    if (!m_server->start(uint16_t(port), address.toStdString()))
        return platform::fail(ListenError::CannotBind,
                              QStringLiteral("Cannot listen on %1 port %2.").arg(address).arg(port));
    return int(m_server->port());
}

void HttpFrontend::stop() {
    m_server->stop();
}

} // namespace apiserver
