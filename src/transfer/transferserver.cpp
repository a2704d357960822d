#include "transfer/transferserver.h"

#include "platform/log.h"
#include "platform/paths.h"
#include "transfer/devicealerts.h"
#include "transfer/folderlister.h"
#include "transfer/listthumbnailer.h"
#include "transfer/pathguard.h"
#include "transfer/thumbnailcache.h"
#include "transfer/uploadreceiver.h"
#include "transfer/webresources.h"
#include "transfer/wire.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <map>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// The page, its assets and the icons live in this static library's resources, which the linker
// would drop without an explicit reference.
static void initTransferResources() { Q_INIT_RESOURCE(transfer); }

namespace transfer {
namespace {

using http::HttpRequest;
using http::HttpResponse;
using http::Method;

std::string str(std::string_view text) { return std::string(text); }

// The one header of a download: the name in quotes for every client, and in its exact UTF-8 form
// (RFC 6266) for those that read it. Quotes, backslashes and control characters never reach the
// header line as they are.
std::string dispositionValue(const QString &name)
{
    std::string plain;
    for (const QChar c : name)
        plain += (c.unicode() < 0x20 || c.unicode() >= 0x7f || c == '"' || c == '\\') ? '_' : char(c.unicode());
    return str(wire::dispositionPrefix) + plain + str(wire::dispositionSuffix) +
           "; filename*=UTF-8''" + http::encodeComponent(name.toStdString());
}

// The content type for a file name's extension, remembered per extension: the MIME database
// serialises its lookups, which would show on busy servers.
std::string contentTypeFor(const std::string &name)
{
    static std::mutex mutex;
    static std::map<std::string, std::string> known;
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : QString::fromStdString(name.substr(dot + 1)).toLower().toStdString();
    std::lock_guard lock(mutex);
    auto it = known.find(ext);
    if (it == known.end()) {
        static const QMimeDatabase database;
        const QString type = database.mimeTypeForFile("file." + QString::fromStdString(ext), QMimeDatabase::MatchExtension).name();
        it = known.emplace(ext, type.toStdString()).first;
    }
    return it->second;
}

bool streamWithRead(int fd, uint64_t offset, uint64_t length, const http::ChunkWriter &write)
{
    constexpr size_t chunk = 256 * 1024;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    while (length > 0) {
        const ssize_t got = ::pread(fd, buffer.get(), std::min<uint64_t>(chunk, length), off_t(offset));
        if (got <= 0) {
            platform::log(QStringLiteral("Download: reading the file failed"));
            return false;
        }
        if (!write(buffer.get(), size_t(got)))
            return false;
        offset += uint64_t(got);
        length -= uint64_t(got);
    }
    return true;
}

// Streams a file from an open descriptor. The file is mapped a window at a time and handed to the
// socket from the page cache, which saves the copy a read into a buffer costs; at most one window
// is mapped, so memory stays flat whatever the size. Where mapping fails, pread takes over. The
// descriptor closes with the last copy of the provider.
http::BodyProvider fileProvider(int fd)
{
    auto handle = std::shared_ptr<int>(new int(fd), [](int *descriptor) {
        ::close(*descriptor);
        delete descriptor;
    });
    return [handle](uint64_t offset, uint64_t length, const http::ChunkWriter &write) {
        constexpr uint64_t window = 4 * 1024 * 1024;
        static const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
        while (length > 0) {
            const uint64_t start = offset / page * page;
            const uint64_t span = std::min(window, offset - start + length);
            void *mapped = ::mmap(nullptr, span, PROT_READ, MAP_SHARED, *handle, off_t(start));
            if (mapped == MAP_FAILED)
                return streamWithRead(*handle, offset, length, write);
            ::madvise(mapped, span, MADV_SEQUENTIAL | MADV_WILLNEED);
            const uint64_t skip = offset - start;
            const bool written = write(static_cast<const char *>(mapped) + skip, size_t(span - skip));
            ::munmap(mapped, span);
            if (!written)
                return false;
            offset += span - skip;
            length -= span - skip;
        }
        return true;
    };
}

} // namespace

void ConsoleAlerts::showAlert(const QString &title, const QString &message, const QString &buttonTitle)
{
    platform::log("Alert: " + title + " - " + message + " [" + buttonTitle + "]");
}

TransferServer::TransferServer(DocumentFolderLookup documentFolder, std::shared_ptr<DeviceAlerts> alerts)
    : m_documentFolder(documentFolder ? std::move(documentFolder) : DocumentFolderLookup(&platform::documentFolder))
    , m_alerts(alerts ? std::move(alerts) : std::make_shared<ConsoleAlerts>())
    , m_thumbnailCache(std::make_unique<ThumbnailCache>(platform::cacheFolder() + "/thumbnails"))
    , m_thumbnailer(std::make_unique<ListThumbnailer>(m_thumbnailCache.get()))
    , m_server(std::make_unique<http::HttpServer>())
{
    static std::once_flag resources;
    std::call_once(resources, initTransferResources);
}

TransferServer::~TransferServer() { m_server->stop(); }

TransferServer &TransferServer::shared()
{
    static TransferServer *instance = new TransferServer();
    return *instance;
}

std::string TransferServer::currentFolder() const
{
    std::lock_guard lock(m_folderMutex);
    return m_currentFolder;
}

void TransferServer::setAlerts(std::shared_ptr<DeviceAlerts> alerts)
{
    std::lock_guard lock(m_alertsMutex);
    m_alerts = std::move(alerts);
}

void TransferServer::setRequestLogging(bool enabled)
{
    m_server->setRequestLog(enabled ? [](const std::string &line) { platform::log(QString::fromStdString(line)); }
                                    : std::function<void(const std::string &)>());
}

void TransferServer::alert(int kind) const
{
    std::shared_ptr<DeviceAlerts> alerts;
    {
        std::lock_guard lock(m_alertsMutex);
        alerts = m_alerts;
    }
    if (!alerts)
        return;
    const bool exists = kind == int(UploadOutcome::Alert::AlreadyExists);
    alerts->showAlert(QString::fromUtf8(exists ? wire::existsAlertTitle.data() : wire::unsupportedAlertTitle.data()),
                      QString::fromUtf8(exists ? wire::existsAlertMessage.data() : wire::unsupportedAlertMessage.data()),
                      QString::fromUtf8(wire::okText.data()));
}

void TransferServer::registerUploadRoute(const QString &folder)
{
    const http::RouteOptions formLimit{m_formBodyLimit};
    m_server->route(Method::Post, str(wire::uploadPath),
                    [this, folder](const HttpRequest &request) { return upload(request, folder, false); }, formLimit);
    m_server->route(Method::Put, str(wire::uploadStreamPath),
                    [this, folder](const HttpRequest &request) { return upload(request, folder, true); },
                    http::RouteOptions{UINT64_MAX});
}

void TransferServer::registerDownloadRoute()
{
    m_server->route(Method::Get, str(wire::downloadPath), [this](const HttpRequest &request) { return download(request); });
}

void TransferServer::registerListRoute()
{
    m_server->route(Method::Get, str(wire::listPath), [this](const HttpRequest &request) { return list(request); });
}

void TransferServer::registerRoutes()
{
    m_server->route(Method::Any, str(wire::iconPath), [](const HttpRequest &) { return webResource("icon.png"); });
    m_server->route(Method::Post, str(wire::savePath), [this](const HttpRequest &request) { return save(request); },
                    http::RouteOptions{m_formBodyLimit});
    registerDownloadRoute();
    registerListRoute();
    m_server->route(Method::Any, str(wire::rootMarker),
                    [](const HttpRequest &) { return webResource(str(wire::pageFile)); });
    for (const std::string_view asset : wire::assetFiles) {
        m_server->route(Method::Any, std::string("/").append(asset), [asset](const HttpRequest &) { return webResource(str(asset)); });
    }
    startServer();
}

bool TransferServer::startServer()
{
    if (m_server->isRunning())
        return true;
    if (!m_server->start(m_port, m_bindAddress)) {
        platform::log("Transfer server failed to start: " + QString::fromStdString(m_server->errorText()));
        return false;
    }
    platform::log(QStringLiteral("Transfer server started on port %1").arg(m_server->port()));
    return true;
}

void TransferServer::stop() { m_server->stop(); }

HttpResponse TransferServer::list(const HttpRequest &request)
{
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

HttpResponse TransferServer::download(const HttpRequest &request) const
{
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
    const int fd = openInside(*documents, relative->isEmpty() ? fileName : *relative + '/' + fileName);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        return HttpResponse::notFound();
    }
    const std::string type = contentTypeFor(*name);
    HttpResponse response = HttpResponse::stream(uint64_t(info.st_size), type, fileProvider(fd));
    response.withHeader(str(wire::dispositionHeader), dispositionValue(fileName));
    return response;
}

HttpResponse TransferServer::upload(const HttpRequest &request, const QString &folder, bool streamed) const
{
    const UploadReceiver receiver(m_documentFolder(), folder);
    const UploadOutcome outcome =
        streamed ? receiver.receiveStream(request) : receiver.receiveForm(request, UploadReceiver::Mode::Upload);
    if (outcome.alert != UploadOutcome::Alert::None)
        alert(int(outcome.alert));
    return HttpResponse::text(outcome.message, outcome.status);
}

HttpResponse TransferServer::save(const HttpRequest &request) const
{
    const std::optional<QString> documents = m_documentFolder();
    const UploadReceiver receiver(documents, documents.value_or(QString()));
    const UploadOutcome outcome = receiver.receiveForm(request, UploadReceiver::Mode::Save);
    return HttpResponse::text(outcome.message, outcome.status);
}

} // namespace transfer
