#pragma once

#include "transfer/httpserver.h"

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace thumbnails {
class ThumbnailCache;
}

namespace transfer {

class DeviceAlerts;
class ListThumbnailer;

// The Wi-Fi transfer server: owns the HTTP server, registers the routes of the transfer page and
// keeps the one piece of shared state, the folder the browser listed last (currentFolder).
//
// Registration and start happen on the main thread; handlers run on the server's worker threads
// and touch only the file system, their own data and currentFolder (guarded by a mutex). Device
// alerts go to the DeviceAlerts given, from worker threads.
class TransferServer {
public:
    static constexpr uint16_t defaultPort = 8080;
    static constexpr uint64_t defaultFormBodyLimit = uint64_t(1) << 30;

    using DocumentFolderLookup = std::function<std::optional<QString>()>;

    // Without a lookup the platform's document folder is used.
    explicit TransferServer(DocumentFolderLookup documentFolder = {},
                            std::shared_ptr<DeviceAlerts> alerts = {});
    ~TransferServer();

    // The process-wide server, created on first use and never destroyed.
    static TransferServer &shared();

    http::HttpServer &server() { return *m_server; }
    std::string currentFolder() const;

    void setAlerts(std::shared_ptr<DeviceAlerts> alerts);
    void setPort(uint16_t port) { m_port = port; }
    void setBindAddress(std::string address) { m_bindAddress = std::move(address); }
    void setFormBodyLimit(uint64_t bytes) { m_formBodyLimit = bytes; }
    void setRequestLogging(bool enabled);

    // The upload route (and its streamed twin) receive into this folder.
    void registerUploadRoute(const QString &folder);
    void registerDownloadRoute();
    void registerListRoute();
    // Registers every route but the upload route, then starts the server.
    void registerRoutes();
    // Starts listening; logs the outcome. Starting a running server does nothing.
    bool startServer();
    void stop();
    bool isRunning() const { return m_server->isRunning(); }
    uint16_t port() const { return m_server->port(); }

private:
    http::HttpResponse list(const http::HttpRequest &request);
    http::HttpResponse download(const http::HttpRequest &request) const;
    http::HttpResponse upload(const http::HttpRequest &request, const QString &folder, bool streamed) const;
    http::HttpResponse save(const http::HttpRequest &request) const;
    void alert(int kind) const;

    DocumentFolderLookup m_documentFolder;
    std::shared_ptr<DeviceAlerts> m_alerts;
    mutable std::mutex m_alertsMutex;
    std::unique_ptr<thumbnails::ThumbnailCache> m_thumbnailCache;
    std::unique_ptr<ListThumbnailer> m_thumbnailer;
    std::unique_ptr<http::HttpServer> m_server;
    mutable std::mutex m_folderMutex;
    std::string m_currentFolder;
    uint16_t m_port = defaultPort;
    std::string m_bindAddress = "::";
    uint64_t m_formBodyLimit = defaultFormBodyLimit;
    bool m_logRequests = false;
};

} // namespace transfer
