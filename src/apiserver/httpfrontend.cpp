#include "httpfrontend.h"

#include "http/httpserver.h"
#include "tarnwick/protocol.h"

#include <memory>

namespace apiserver {

namespace proto = tarnwick::protocol;

namespace {
constexpr uint64_t maximumBody = 1 << 20;
}

HttpFrontend::HttpFrontend(ApiService &service)
    : m_service(service)
    , m_server(std::make_unique<http::HttpServer>()) {
    m_server->route(
        http::Method::Post, proto::servicePath,
        [this](const http::HttpRequest &request) { return serve(request); }, http::RouteOptions{maximumBody});
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
    auto chunks = std::make_shared<const std::vector<QByteArray>>(std::move(answer.chunks));
    uint64_t length = 0;
    for (const QByteArray &chunk : *chunks)
        length += uint64_t(chunk.size());
    response.streamLength = length;
    response.provider = [chunks](uint64_t offset, uint64_t size, const http::ChunkWriter &write) {
        for (const QByteArray &chunk : *chunks) {
            const uint64_t chunkSize = uint64_t(chunk.size());
            if (offset >= chunkSize) {
                offset -= chunkSize;
                continue;
            }
            const uint64_t part = std::min(chunkSize - offset, size);
            if (!write(chunk.constData() + offset, size_t(part)))
                return false;
            size -= part;
            offset = 0;
            if (size == 0)
                break;
        }
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
