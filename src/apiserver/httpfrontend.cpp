#include "httpfrontend.h"

#include "tarnwick/protocol.h"

#include <httplib.h>

#include <chrono>
#include <sys/socket.h>

namespace apiserver {

namespace proto = tarnwick::protocol;

namespace {
constexpr std::size_t maximumBody = 1 << 20;

void copyAnswer(const HandoffAnswer &answer, httplib::Response &response) {
    response.status = answer.status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(answer.body.toStdString(), answer.contentType.toStdString());
}
} // namespace

HttpFrontend::HttpFrontend(ApiService &service, AppleHandoff &appleHandoff)
    : m_service(service)
    , m_appleHandoff(appleHandoff)
    , m_server(std::make_unique<httplib::Server>()) {
    m_server->new_task_queue = [] {
        return new httplib::ThreadPool(16);
    };
    // Only SO_REUSEADDR: the library's default would let a second server share a busy port.
    m_server->set_socket_options([](int socket) {
        int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    m_server->set_payload_max_length(maximumBody);
    m_server->set_keep_alive_timeout(5);
    m_server->set_read_timeout(30);
    m_server->Post(proto::servicePath, [this](const httplib::Request &request, httplib::Response &response) {
        const QByteArray body = QByteArray::fromStdString(request.body);
        const QByteArray token = QByteArray::fromStdString(request.get_header_value(proto::tokenHeader));
        ServiceAnswer answer = m_service.handle(body, token, QString::fromStdString(request.remote_addr));
        response.status = answer.status;
        if (!answer.token.isEmpty())
            response.set_header(proto::tokenHeader, answer.token.toStdString());
        if (!answer.streamed) {
            response.set_content(answer.body.toStdString(), answer.contentType.toStdString());
            return;
        }
        auto chunks = std::make_shared<std::vector<QByteArray>>(std::move(answer.chunks));
        response.set_chunked_content_provider(
            answer.contentType.toStdString(), [chunks](std::size_t, httplib::DataSink &sink) {
                for (const QByteArray &chunk : *chunks) {
                    if (!sink.write(chunk.constData(), std::size_t(chunk.size())))
                        return false;
                }
                sink.done();
                return true;
            });
    });
    // The form is read raw: the library's own form parsing refuses bodies over 8 KiB.
    m_server->Post(proto::appleCallbackPath, [this](const httplib::Request &, httplib::Response &response,
                                                    const httplib::ContentReader &reader) {
        std::string body;
        const bool fits = reader([&body](const char *data, std::size_t length) {
            body.append(data, length);
            return body.size() <= AppleHandoff::maximumBody;
        });
        if (!fits)
            body.resize(AppleHandoff::maximumBody + 1); // refused as too large below
        copyAnswer(m_appleHandoff.receiveCallback(QByteArray::fromStdString(body)), response);
    });
    m_server->Get(
        proto::appleResultPath, [this](const httplib::Request &request, httplib::Response &response) {
            const QString state = QString::fromStdString(request.get_param_value(proto::appleStateItem));
            copyAnswer(m_appleHandoff.takeResult(state), response);
        });
}

HttpFrontend::~HttpFrontend() {
    stop();
}

platform::Result<int, ListenError> HttpFrontend::start(const QString &address, int port) {
    const std::string host = address.toStdString();
    const int bound =
        port == 0 ? m_server->bind_to_any_port(host) : (m_server->bind_to_port(host, port) ? port : -1);
    if (bound <= 0)
        return platform::fail(ListenError::CannotBind,
                              QStringLiteral("Cannot listen on %1 port %2.").arg(address).arg(port));
    m_thread = std::thread([server = m_server.get()] { server->listen_after_bind(); });
    // The library has no ready signal, and stop() before the loop runs would be lost.
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

void HttpFrontend::stop() {
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace apiserver
