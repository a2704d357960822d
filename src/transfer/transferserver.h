#pragma once

#include "http/httpserver.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace thumbnails {
class ThumbnailCache;
}

namespace transfer {

class AccessCode;
class DeviceAlerts;
class ListThumbnailer;
class RequestGate;
class ThumbnailRoute;

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

    // Host names served besides the machine's own names and addresses (for example one behind a
    // reverse proxy). Takes effect at once.
    void setAllowedHosts(std::vector<std::string> names);
    // The access code is off by default. Turned on, a fresh code is made at once and at every
    // start, every route but the page and its assets needs a session, and the page asks for the
    // code. Turning it off or on again forgets every session.
    void setAccessCodeEnabled(bool enabled);
    bool isAccessCodeEnabled() const;
    // The current code; empty while the access code is off.
    std::string accessCode() const;

    // The upload route (and its streamed twin) receive into this folder.
    void registerUploadRoute(const QString &folder);
    void registerDownloadRoute();
    void registerListRoute();
    // Registers every route but the upload route, then starts the server.
    void registerRoutes();
    // Starts listening; logs the outcome. Starting a running server does nothing. Before it
    // listens, the hidden temporary files that a killed process left in the upload folder and the
    // top of the document folder are removed.
    bool startServer();
    void stop();
    bool isRunning() const { return m_server->isRunning(); }
    uint16_t port() const { return m_server->port(); }

private:
    http::HttpResponse list(const http::HttpRequest &request);
    http::HttpResponse download(const http::HttpRequest &request) const;
    http::HttpResponse thumbnail(const http::HttpRequest &request) const;
    http::HttpResponse downloadZip(const http::HttpRequest &request) const;
    http::HttpResponse upload(const http::HttpRequest &request, const QString &folder, bool streamed) const;
    http::HttpResponse uploadPiece(const http::HttpRequest &request, const QString &folder) const;
    http::HttpResponse uploadStatus(const http::HttpRequest &request, const QString &folder) const;
    http::HttpResponse save(const http::HttpRequest &request) const;
    http::HttpResponse signIn(const http::HttpRequest &request) const;
    bool addressesMayBeReread() const;
    // The document folder and the folder listed last, relative to it ("" for the top); nullopt
    // with the reply to give when either is unavailable or refused.
    struct ListedFolder {
        QString documents;
        QString relative;
    };
    std::variant<ListedFolder, http::HttpResponse> listedFolder() const;
    // The same for a folder named by the request (as /list names it), which stays unremembered.
    std::variant<ListedFolder, http::HttpResponse> namedFolder(std::string_view folder) const;
    // The document folder for a download: what the lookup answered, taken for a second more by the
    // thread that asked (each keeps its own, so that downloads share no lock).
    const std::optional<QString> &documentsForDownload() const;
    std::optional<http::HttpResponse> admit(const http::HttpRequest &request);
    void rebuildGate();
    void alert(int kind) const;

    DocumentFolderLookup m_documentFolder;
    // What a thread took stands for this server's generation only: unique in the process, and
    // renewed by each start.
    std::atomic<uint64_t> m_documentsGeneration;
    std::shared_ptr<DeviceAlerts> m_alerts;
    mutable std::mutex m_alertsMutex;
    std::unique_ptr<thumbnails::ThumbnailCache> m_thumbnailCache;
    std::unique_ptr<ListThumbnailer> m_thumbnailer;
    std::unique_ptr<ThumbnailRoute> m_thumbnailRoute;
    std::unique_ptr<http::HttpServer> m_server;
    mutable std::mutex m_folderMutex;
    std::string m_currentFolder;
    uint16_t m_port = defaultPort;
    std::string m_bindAddress = "::";
    uint64_t m_formBodyLimit = defaultFormBodyLimit;
    bool m_logRequests = false;
    QString m_uploadFolder;

    std::unique_ptr<AccessCode> m_accessCode;
    // Guards the members below. The gate is rebuilt on worker threads too (when a literal Host
    // may be a new address), so it reads nothing of the HTTP server itself.
    mutable std::mutex m_gateMutex;
    std::shared_ptr<const RequestGate> m_gate;
    std::atomic<uint64_t> m_gateVersion = 0; // changes with m_gate, never to a number used before
    std::vector<std::string> m_allowedHosts;
    bool m_codeEnabled = false;
    uint16_t m_gatePort = 0;
    std::string m_gateAddress;
    std::chrono::steady_clock::time_point m_addressesRead;
};

} // namespace transfer
