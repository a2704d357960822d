#include "transfer/transferserver.h"

#include "platform/log.h"
#include "platform/paths.h"
#include "thumbnails/thumbnailcache.h"
#include "transfer/devicealerts.h"
#include "transfer/downloadstream.h"
#include "transfer/folderlister.h"
#include "transfer/listthumbnailer.h"
#include "transfer/pathguard.h"
#include "transfer/uploadreceiver.h"
#include "transfer/webresources.h"
#include "transfer/wire.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

// The page, its assets and the icons live in this static library's resources, which the linker
// would drop without an explicit reference.
static void initTransferResources() {
    Q_INIT_RESOURCE(transfer);
}

namespace transfer {
namespace {

using http::HttpRequest;
using http::HttpResponse;
using http::Method;

std::string str(std::string_view text) {
    return std::string(text);
}

} // namespace

void ConsoleAlerts::showAlert(const QString &title, const QString &message, const QString &buttonTitle) {
    platform::log("Alert: " + title + " - " + message + " [" + buttonTitle + "]");
}

TransferServer::TransferServer(DocumentFolderLookup documentFolder, std::shared_ptr<DeviceAlerts> alerts)
    : m_documentFolder(documentFolder ? std::move(documentFolder)
                                      : DocumentFolderLookup(&platform::documentFolder))
    , m_alerts(alerts ? std::move(alerts) : std::make_shared<ConsoleAlerts>())
    , m_thumbnailCache(std::make_unique<thumbnails::ThumbnailCache>(platform::cacheFolder() + "/thumbnails"))
    , m_thumbnailer(std::make_unique<ListThumbnailer>(m_thumbnailCache.get()))
    , m_server(std::make_unique<http::HttpServer>()) {
    static std::once_flag resources;
    std::call_once(resources, initTransferResources);
}

TransferServer::~TransferServer() {
    m_server->stop();
}

TransferServer &TransferServer::shared() {
    static TransferServer *instance = new TransferServer();
    return *instance;
}

std::string TransferServer::currentFolder() const {
    std::lock_guard lock(m_folderMutex);
    return m_currentFolder;
}

void TransferServer::setAlerts(std::shared_ptr<DeviceAlerts> alerts) {
    std::lock_guard lock(m_alertsMutex);
    m_alerts = std::move(alerts);
}

void TransferServer::setRequestLogging(bool enabled) {
    m_server->setRequestLog(enabled ? [](const std::string &line) { platform::log(QString::fromStdString(line)); }
                                    : std::function<void(const std::string &)>());
}

void TransferServer::alert(int kind) const {
    std::shared_ptr<DeviceAlerts> alerts;
    {
        std::lock_guard lock(m_alertsMutex);
        alerts = m_alerts;
    }
    if (!alerts)
        return;
    const bool exists = kind == int(UploadOutcome::Alert::AlreadyExists);
    alerts->showAlert(
        QString::fromUtf8(exists ? wire::existsAlertTitle.data() : wire::unsupportedAlertTitle.data()),
        QString::fromUtf8(exists ? wire::existsAlertMessage.data() : wire::unsupportedAlertMessage.data()),
        QString::fromUtf8(wire::okText.data()));
}

void TransferServer::registerUploadRoute(const QString &folder) {
    const http::RouteOptions formLimit{m_formBodyLimit};
    m_server->route(
        Method::Post, str(wire::uploadPath),
        [this, folder](const HttpRequest &request) { return upload(request, folder, false); }, formLimit);
    m_server->route(
        Method::Put, str(wire::uploadStreamPath),
        [this, folder](const HttpRequest &request) { return upload(request, folder, true); },
        http::RouteOptions{UINT64_MAX});
}

void TransferServer::registerDownloadRoute() {
    m_server->route(Method::Get, str(wire::downloadPath),
                    [this](const HttpRequest &request) { return download(request); });
}

void TransferServer::registerListRoute() {
    m_server->route(Method::Get, str(wire::listPath),
                    [this](const HttpRequest &request) { return list(request); });
}

void TransferServer::registerRoutes() {
    m_server->route(Method::Any, str(wire::iconPath),
                    [](const HttpRequest &) { return webResource("icon.png"); });
    m_server->route(
        Method::Post, str(wire::savePath), [this](const HttpRequest &request) { return save(request); },
        http::RouteOptions{m_formBodyLimit});
    registerDownloadRoute();
    registerListRoute();
    m_server->route(Method::Any, str(wire::rootMarker),
                    [](const HttpRequest &) { return webResource(str(wire::pageFile)); });
    for (const std::string_view asset : wire::assetFiles) {
        m_server->route(Method::Any, std::string("/").append(asset),
                        [asset](const HttpRequest &) { return webResource(str(asset)); });
    }
    startServer();
}

bool TransferServer::startServer() {
    if (m_server->isRunning())
        return true;
    if (!m_server->start(m_port, m_bindAddress)) {
        platform::log("Transfer server failed to start: " + QString::fromStdString(m_server->errorText()));
        return false;
    }
    platform::log(QStringLiteral("Transfer server started on port %1").arg(m_server->port()));
    return true;
}

void TransferServer::stop() {
    m_server->stop();
}

HttpResponse TransferServer::list(const HttpRequest &request) {
    const std::optional<std::string> value = request.queryValue(wire::pathKey);
    std::string requested = str(wire::rootMarker);
    if (value && value->starts_with(wire::folderPrefix))
        requested = value->substr(wire::folderPrefix.size());
    else if (value)
        requested = *value;

    const std::optional<QString> relative = safeRelativeFolder(requested);
    if (!relative)
        return HttpResponse::notFound();
    const std::optional<QString> documents = m_documentFolder();
    if (!documents)
        return HttpResponse::internalServerError(str(wire::noDocumentsMessage));
    const QString folder = relative->isEmpty() ? *documents : *documents + '/' + *relative;
    platform::log("List: " + folder);
    // Something there that leads outside is refused and not remembered; a folder that is simply
    // missing is remembered like any other and fails to list.
    const bool inside = resolveInside(*documents, folder).has_value();
    const QFileInfo info(folder);
    if (!inside && (info.exists() || info.isSymLink()))
        return HttpResponse::notFound();
    if (value && !value->starts_with(wire::folderPrefix)) {
        std::lock_guard lock(m_folderMutex);
        m_currentFolder = *value;
    }
    if (!inside)
        return HttpResponse::internalServerError();

    const auto reply = FolderLister(*m_thumbnailer).list(folder, requested);
    if (!reply)
        return HttpResponse::internalServerError();
    return HttpResponse::text(reply.value());
}

HttpResponse TransferServer::download(const HttpRequest &request) const {
    const std::optional<std::string> name = request.queryValue(wire::pathKey);
    if (!name) {
        platform::log(QStringLiteral("Download: no file named in the request"));
        return HttpResponse::notFound();
    }
    const std::optional<QString> documents = m_documentFolder();
    if (!documents)
        return HttpResponse::internalServerError(str(wire::noDocumentsMessage));
    const std::string folderText = currentFolder();
    const std::optional<QString> relative =
        folderText == wire::rootMarker ? std::optional<QString>(QString()) : safeRelativeFolder(folderText);
    if (!relative || !isSafeEntryName(*name))
        return HttpResponse::notFound();

    const QString fileName = QString::fromStdString(*name);
    // Opened before answering: a file that cannot be read is a 404, never an empty 200.
    platform::UniqueFd fd =
        openInside(*documents, relative->isEmpty() ? fileName : *relative + '/' + fileName);
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return HttpResponse::notFound();
    const std::string type = contentTypeFor(*name);
    HttpResponse response = HttpResponse::stream(uint64_t(info.st_size), type, fileProvider(std::move(fd)));
    response.withHeader(str(wire::dispositionHeader), dispositionValue(fileName));
    return response;
}

HttpResponse TransferServer::upload(const HttpRequest &request, const QString &folder, bool streamed) const {
    const UploadReceiver receiver(m_documentFolder(), folder);
    const UploadOutcome outcome = streamed ? receiver.receiveStream(request)
                                           : receiver.receiveForm(request, UploadReceiver::Mode::Upload);
    if (outcome.alert != UploadOutcome::Alert::None)
        alert(int(outcome.alert));
    return HttpResponse::text(outcome.message, outcome.status());
}

HttpResponse TransferServer::save(const HttpRequest &request) const {
    const std::optional<QString> documents = m_documentFolder();
    const UploadReceiver receiver(documents, documents.value_or(QString()));
    const UploadOutcome outcome = receiver.receiveForm(request, UploadReceiver::Mode::Save);
    return HttpResponse::text(outcome.message, outcome.status());
}

} // namespace transfer
