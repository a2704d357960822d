#include "transfer/screen/transferservice.h"

#include "platform/log.h"
#include "transfer/transferserver.h"

namespace transfer {

void TransferServerService::registerRoutes(const std::optional<QString> &uploadFolder) {
    if (uploadFolder)
        m_server.registerUploadRoute(*uploadFolder);
    else
        platform::log(QStringLiteral("Transfer screen: no upload folder; uploads are off"));
    // The server registers the other routes and starts listening in one step.
    m_server.registerRoutes();
}

bool TransferServerService::start() {
    return m_server.startServer();
}

void TransferServerService::stop() {
    m_server.stop();
}

bool TransferServerService::isRunning() const {
    return m_server.isRunning();
}

quint16 TransferServerService::port() const {
    // 8080 unless a test or the command line chose another, and then it is running.
    return m_server.isRunning() ? m_server.port() : TransferServer::defaultPort;
}

} // namespace transfer

namespace transfer {

void TransferServerService::setAccessCodeEnabled(bool enabled) {
    m_server.setAccessCodeEnabled(enabled);
}

QString TransferServerService::accessCode() const {
    return QString::fromStdString(m_server.accessCode());
}

} // namespace transfer
