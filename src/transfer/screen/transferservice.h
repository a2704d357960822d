#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace transfer {

class TransferServer;

// The server the transfer screen starts while it is shown. GUI thread only.
class TransferService {
public:
    virtual ~TransferService() = default;
    // Registers the transfer page's routes, and the upload route into `uploadFolder` when there
    // is one. An implementation may start listening here already.
    virtual void registerRoutes(const std::optional<QString> &uploadFolder) = 0;
    // Starts listening (nothing when it already does); false when it could not, which it logs.
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // The port a browser reaches it on: the one it listens on, or the one it will listen on.
    virtual quint16 port() const = 0;
    // The access code a browser must give before it may list, download or upload; off by
    // default. Turned on, a fresh code is made at once and at every start.
    virtual void setAccessCodeEnabled(bool enabled) = 0;
    // The current code; empty while it is off.
    virtual QString accessCode() const = 0;
};

// The service over a TransferServer, which is not owned and outlives the adapter.
class TransferServerService final : public TransferService {
public:
    explicit TransferServerService(TransferServer &server)
        : m_server(server) {}

    void registerRoutes(const std::optional<QString> &uploadFolder) override;
    bool start() override;
    void stop() override;
    bool isRunning() const override;
    quint16 port() const override;
    void setAccessCodeEnabled(bool enabled) override;
    QString accessCode() const override;

private:
    TransferServer &m_server;
};

} // namespace transfer
