#include "transfer/transferserver.h"

#include "platform/log.h"
#include "platform/networkinterfaces.h"
#include "platform/paths.h"
#include "thumbnails/freedesktopcache.h"
#include "thumbnails/thumbnailcache.h"
#include "transfer/accesscode.h"
#include "transfer/devicealerts.h"
#include "transfer/downloadstream.h"
#include "transfer/folderlister.h"
#include "transfer/listthumbnailer.h"
#include "transfer/pathguard.h"
#include "transfer/requestgate.h"
#include "transfer/resumableupload.h"
#include "transfer/stagedfile.h"
#include "transfer/thumbnailroute.h"
#include "transfer/uploadreceiver.h"
#include "transfer/webresources.h"
#include "transfer/wire.h"
#include "transfer/zipstream.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QSysInfo>

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

// The names this machine answers to: its host name, the same in .local (mDNS), and localhost.
std::vector<std::string> ownHostNames() {
    std::vector<std::string> names = {"localhost"};
    const std::string host = QSysInfo::machineHostName().toStdString();
    if (!host.empty() && host != "localhost") {
        names.push_back(host);
        if (!host.ends_with(".local"))
            names.push_back(host + ".local");
    }
    return names;
}

// A literal Host that is not among the addresses read may be one the machine got since (a new
// DHCP lease): the addresses are read again, but not more often than this.
constexpr auto addressRereadInterval = std::chrono::seconds(2);

} // namespace

void ConsoleAlerts::showAlert(const QString &title, const QString &message, const QString &buttonTitle) {
    platform::log("Alert: " + title + " - " + message + " [" + buttonTitle + "]");
}

namespace {
// Numbers for the generations of servers' folders and gates, never given twice in a process.
std::atomic<uint64_t> g_serials{0};
} // namespace

TransferServer::TransferServer(DocumentFolderLookup documentFolder, std::shared_ptr<DeviceAlerts> alerts)
    : m_documentFolder(documentFolder ? std::move(documentFolder)
                                      : DocumentFolderLookup(&platform::documentFolder))
    , m_documentsGeneration(++g_serials)
    , m_alerts(alerts ? std::move(alerts) : std::make_shared<ConsoleAlerts>())
    , m_thumbnailCache(std::make_unique<thumbnails::ThumbnailCache>(platform::cacheFolder() + "/thumbnails"))
    , m_thumbnailer(std::make_unique<ListThumbnailer>(m_thumbnailCache.get()))
    , m_thumbnailRoute(std::make_unique<ThumbnailRoute>(thumbnails::FreedesktopCache::defaultRoot()))
    , m_server(std::make_unique<http::HttpServer>())
    , m_accessCode(std::make_unique<AccessCode>()) {
    static std::once_flag resources;
    std::call_once(resources, initTransferResources);
    rebuildGate();
    m_server->setRequestFilter([this](const HttpRequest &request) { return admit(request); });
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
    m_server->setRequestLog(enabled ? [](const std::string &lines) { platform::logUtf8(lines); }
                                    : std::function<void(const std::string &)>());
}

void TransferServer::setAllowedHosts(std::vector<std::string> names) {
    {
        std::lock_guard lock(m_gateMutex);
        m_allowedHosts = std::move(names);
    }
    rebuildGate();
}

void TransferServer::setAccessCodeEnabled(bool enabled) {
    {
        std::lock_guard lock(m_gateMutex);
        m_codeEnabled = enabled;
    }
    m_accessCode->renew();
    rebuildGate();
}

bool TransferServer::isAccessCodeEnabled() const {
    std::lock_guard lock(m_gateMutex);
    return m_codeEnabled;
}

std::string TransferServer::accessCode() const {
    return isAccessCodeEnabled() ? m_accessCode->code() : std::string();
}

void TransferServer::rebuildGate() {
    RequestGate::Config config;
    config.hostNames = ownHostNames();
    const QString wifi = platform::wifiInterfaceName();
    for (const platform::InterfaceAddress &address : platform::interfaceAddresses()) {
        config.addresses.push_back(address.address.toStdString());
        if (config.preferredAddress.empty() && !address.isIPv6 && !address.isLoopback &&
            (wifi.isEmpty() || address.interfaceName == wifi))
            config.preferredAddress = address.address.toStdString();
    }
    // Loopback answers even when getifaddrs does not list it (a namespace with lo down).
    config.addresses.insert(config.addresses.end(), {"127.0.0.1", "::1"});
    config.openPaths = {str(wire::rootMarker), str(wire::iconPath), str(wire::signInPath)};
    for (const std::string_view asset : wire::assetFiles)
        config.openPaths.push_back(std::string("/").append(asset));

    std::lock_guard lock(m_gateMutex);
    config.port = m_gatePort;
    if (!m_gateAddress.empty())
        config.preferredAddress = m_gateAddress;
    config.hostNames.insert(config.hostNames.end(), m_allowedHosts.begin(), m_allowedHosts.end());
    if (m_codeEnabled) {
        config.sessionCheck = [code = m_accessCode.get()](std::string_view token) {
            return code->isSession(token);
        };
    }
    m_gate = std::make_shared<const RequestGate>(std::move(config));
    m_gateVersion.store(++g_serials, std::memory_order_release);
    m_addressesRead = std::chrono::steady_clock::now();
}

std::optional<HttpResponse> TransferServer::admit(const HttpRequest &request) {
    // The gate reads views: the header texts live here for the whole check.
    const std::string host = request.header("Host");
    const std::string origin = request.header("Origin");
    const std::string fetchSite = request.header("Sec-Fetch-Site");
    const std::string cookie = request.header("Cookie");
    GateRequest input{request.method(), request.path(), host, origin, fetchSite, cookie};
    // Each thread keeps the gate it last used, and the last Host it found to be ours there: most
    // requests then take no lock and parse no host.
    struct Seen {
        uint64_t version = 0;
        std::shared_ptr<const RequestGate> gate;
        std::string ownHost;
    };
    thread_local Seen seen;
    if (!seen.gate || seen.version != m_gateVersion.load(std::memory_order_acquire)) {
        std::lock_guard lock(m_gateMutex);
        seen = Seen{m_gateVersion.load(std::memory_order_relaxed), m_gate, {}};
    }
    input.hostKnown = !host.empty() && host == seen.ownHost;
    GateDecision decision = seen.gate->check(input);
    if (decision.status != 421 && !host.empty() && !input.hostKnown)
        seen.ownHost = host;
    // Only a refused address literal costs a look at the clock (and perhaps a new address list).
    if (decision.status == 421 && addressesMayBeReread()) {
        const std::optional<std::string> name = RequestGate::hostOf(host);
        if (name && RequestGate::isAddressLiteral(*name)) {
            rebuildGate();
            std::lock_guard lock(m_gateMutex);
            decision = m_gate->check(input);
        }
    }
    if (decision.allowed())
        return std::nullopt;
    HttpResponse refusal = HttpResponse::text(std::move(decision.body), decision.status);
    refusal.contentType = std::move(decision.contentType);
    return refusal;
}

bool TransferServer::addressesMayBeReread() const {
    std::lock_guard lock(m_gateMutex);
    return std::chrono::steady_clock::now() - m_addressesRead >= addressRereadInterval;
}

HttpResponse TransferServer::signIn(const HttpRequest &request) const {
    if (!isAccessCodeEnabled())
        return HttpResponse::notFound(str(wire::noCodeMessage));
    const std::optional<http::Pairs> form = request.formPairs();
    if (!form)
        return HttpResponse::badRequest(str(wire::formMissingMessage));
    std::string code;
    for (const auto &[key, value] : *form)
        if (key == wire::codeField) {
            code = value;
            break;
        }
    const AccessCode::SignIn outcome = m_accessCode->signIn(request.remoteAddress(), code);
    switch (outcome.outcome) {
    case AccessCode::Outcome::Accepted:
        return HttpResponse::text(str(wire::signedInMessage))
            .withHeader("Set-Cookie", std::string(RequestGate::sessionCookie) + "=" + outcome.session +
                                          "; Path=/; HttpOnly; SameSite=Strict");
    case AccessCode::Outcome::Wrong:
        return HttpResponse::text(str(wire::wrongCodeMessage), 403);
    case AccessCode::Outcome::TooMany:
        break;
    }
    return HttpResponse::text(str(wire::tooManyCodesMessage), 429)
        .withHeader("Retry-After", std::to_string(outcome.retryAfterSeconds));
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
    m_uploadFolder = folder;
    const http::RouteOptions formLimit{m_formBodyLimit};
    m_server->route(
        Method::Post, str(wire::uploadPath),
        [this, folder](const HttpRequest &request) { return upload(request, folder, false); }, formLimit);
    m_server->route(
        Method::Put, str(wire::uploadStreamPath),
        [this, folder](const HttpRequest &request) {
            return request.queryValue(wire::uploadIdKey) ? uploadPiece(request, folder)
                                                         : upload(request, folder, true);
        },
        http::RouteOptions{UINT64_MAX});
    m_server->route(Method::Get, str(wire::uploadStreamPath),
                    [this, folder](const HttpRequest &request) { return uploadStatus(request, folder); });
}

void TransferServer::registerDownloadRoute() {
    // Opening one file is all a download waits on before the event thread sends it.
    m_server->route(
        Method::Get, str(wire::downloadPath),
        [this](const HttpRequest &request) { return download(request); }, http::RouteOptions{.quick = true});
}

void TransferServer::registerListRoute() {
    m_server->route(Method::Get, str(wire::listPath),
                    [this](const HttpRequest &request) { return list(request); });
}

void TransferServer::registerRoutes() {
    const http::RouteOptions inMemory{.quick = true};
    m_server->route(
        Method::Any, str(wire::iconPath),
        [](const HttpRequest &request) { return webResource(request, "icon.png"); }, inMemory);
    m_server->route(
        Method::Post, str(wire::savePath), [this](const HttpRequest &request) { return save(request); },
        http::RouteOptions{m_formBodyLimit});
    m_server->route(
        Method::Post, str(wire::signInPath), [this](const HttpRequest &request) { return signIn(request); },
        http::RouteOptions{1024});
    registerDownloadRoute();
    registerListRoute();
    m_server->route(Method::Get, str(wire::thumbnailPath),
                    [this](const HttpRequest &request) { return thumbnail(request); });
    m_server->route(Method::Get, str(wire::downloadZipPath),
                    [this](const HttpRequest &request) { return downloadZip(request); });
    m_server->route(
        Method::Any, str(wire::rootMarker),
        [](const HttpRequest &request) { return webResource(request, str(wire::pageFile)); }, inMemory);
    for (const std::string_view asset : wire::assetFiles) {
        m_server->route(
            Method::Any, std::string("/").append(asset),
            [asset](const HttpRequest &request) { return webResource(request, str(asset)); }, inMemory);
    }
    startServer();
}

bool TransferServer::startServer() {
    if (m_server->isRunning())
        return true;
    m_documentsGeneration = ++g_serials; // a server started anew may serve another folder
    // A process killed mid-write may have left a hidden temporary file where O_TMPFILE is missing.
    QStringList folders;
    if (const std::optional<QString> documents = m_documentFolder())
        folders << *documents;
    if (!m_uploadFolder.isEmpty() && !folders.contains(m_uploadFolder))
        folders << m_uploadFolder;
    for (const QString &folder : folders) {
        if (const int expired = ResumableUploads(m_documentFolder(), folder).removeExpired(); expired > 0)
            platform::log(QStringLiteral("Removed %1 abandoned upload(s) in ").arg(expired) + folder);
        if (const int removed = removeAbandonedStagingFiles(folder); removed > 0)
            platform::log(QStringLiteral("Removed %1 unfinished file(s) of an earlier run in ").arg(removed) +
                          folder);
    }
    if (isAccessCodeEnabled())
        m_accessCode->renew();
    if (!m_server->start(m_port, m_bindAddress)) {
        platform::log("Transfer server failed to start: " + QString::fromStdString(m_server->errorText()));
        return false;
    }
    {
        std::lock_guard lock(m_gateMutex);
        // Named in the 421 page: the port, and the bound address when it is a single one.
        m_gatePort = m_server->port();
        m_gateAddress = m_bindAddress == "::" || m_bindAddress == "0.0.0.0" ? std::string() : m_bindAddress;
    }
    rebuildGate();
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

    const bool imageThumbnails = request.queryValue(wire::thumbnailsKey) != wire::noThumbnails;
    auto reply = FolderLister(*m_thumbnailer).list(folder, requested, imageThumbnails);
    if (!reply)
        return HttpResponse::internalServerError();
    return HttpResponse::text(std::move(reply).value());
}

// Downloads are the hot path: looking the folder up costs a stat of its whole path, so an answer
// is taken for a second more, as long as the folder's descriptor is kept (pathguard). A folder
// removed meanwhile fails the open beneath it: the download is a 404 either way.
const std::optional<QString> &TransferServer::documentsForDownload() const {
    struct Seen {
        uint64_t generation = 0;
        std::optional<QString> folder;
        std::chrono::steady_clock::time_point at;
    };
    thread_local Seen seen;
    const auto now = std::chrono::steady_clock::now();
    const uint64_t generation = m_documentsGeneration.load(std::memory_order_acquire);
    if (!seen.folder || seen.generation != generation || now - seen.at >= std::chrono::seconds(1))
        seen = Seen{generation, m_documentFolder(), now};
    return seen.folder;
}

HttpResponse TransferServer::download(const HttpRequest &request) const {
    const std::optional<std::string> name = request.queryValue(wire::pathKey);
    if (!name) {
        platform::log(QStringLiteral("Download: no file named in the request"));
        return HttpResponse::notFound();
    }
    const std::optional<QString> &documents = documentsForDownload();
    if (!documents)
        return HttpResponse::internalServerError(str(wire::noDocumentsMessage));
    const std::string folderText = currentFolder();
    const std::optional<QString> relative =
        folderText == wire::rootMarker ? std::optional<QString>(QString()) : safeRelativeFolder(folderText);
    if (!relative || !isSafeEntryName(*name))
        return HttpResponse::notFound();

    // Opened before answering: a file that cannot be read is a 404, never an empty 200.
    platform::UniqueFd fd =
        openInside(*documents, relative->isEmpty() ? *name : relative->toStdString() + '/' + *name);
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return HttpResponse::notFound();
    const std::string type = contentTypeFor(*name);
    HttpResponse response = HttpResponse::fromFile(std::move(fd), info, type);
    // A PDF asked for inline opens in the browser's own viewer; every other file stays an attachment.
    if (request.queryValue(wire::inlineKey) == "1" && type == "application/pdf") {
        const std::string attachment = dispositionValue(std::string_view(*name));
        response.withHeader(str(wire::dispositionHeader), "inline" + attachment.substr(attachment.find(';')));
        addPageSecurityHeaders(response);
        return response;
    }
    response.withHeader(str(wire::dispositionHeader), dispositionValue(std::string_view(*name)))
        .withHeader("X-Content-Type-Options", "nosniff");
    return response;
}

std::variant<TransferServer::ListedFolder, HttpResponse>
TransferServer::namedFolder(std::string_view folder) const {
    if (folder.starts_with(wire::folderPrefix))
        folder.remove_prefix(wire::folderPrefix.size());
    const std::optional<QString> documents = m_documentFolder();
    if (!documents)
        return HttpResponse::internalServerError(str(wire::noDocumentsMessage));
    const std::optional<QString> relative = safeRelativeFolder(folder);
    if (!relative)
        return HttpResponse::notFound();
    return ListedFolder{*documents, *relative};
}

std::variant<TransferServer::ListedFolder, HttpResponse> TransferServer::listedFolder() const {
    // What /list remembers never carries the "/Documents" form, so it reads as a named folder.
    return namedFolder(currentFolder());
}

HttpResponse TransferServer::thumbnail(const HttpRequest &request) const {
    const std::optional<std::string> name = request.queryValue(wire::pathKey);
    if (!name || !isSafeEntryName(*name))
        return HttpResponse::notFound();
    const std::optional<int> side = ThumbnailRoute::sideFor(request.queryValue(wire::sizeKey));
    if (!side)
        return HttpResponse::badRequest("The size must be a whole number from 1 to 1024.");
    // A page names the folder it shows, so that its pictures still arrive after another browser
    // (or its own next click) listed another folder; without it, the folder listed last.
    const std::optional<std::string> folder = request.queryValue(wire::folderKey);
    auto listed = folder ? namedFolder(*folder) : listedFolder();
    if (HttpResponse *refusal = std::get_if<HttpResponse>(&listed))
        return std::move(*refusal);
    const auto &[documents, relative] = std::get<ListedFolder>(listed);
    const QString fileName = QString::fromStdString(*name);
    const QString path =
        relative.isEmpty() ? documents + '/' + fileName : documents + '/' + relative + '/' + fileName;
    // The descriptor proves the file lies inside; its canonical path is what the decoders open.
    platform::UniqueFd fd = openInside(documents, relative.isEmpty() ? fileName : relative + '/' + fileName);
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return HttpResponse::notFound();
    const std::optional<QString> canonical = resolveInside(documents, path);
    if (!canonical)
        return HttpResponse::notFound();
    const FileVersion version{uint64_t(info.st_size),
                              int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    return m_thumbnailRoute->answer(request, *canonical, version, *side);
}

HttpResponse TransferServer::downloadZip(const HttpRequest &request) const {
    std::vector<std::string> names;
    for (const auto &[key, value] : request.query())
        if (key == wire::pathKey)
            names.push_back(value);
    if (names.empty())
        return HttpResponse::badRequest("Name at least one file or folder with path.");
    auto listed = listedFolder();
    if (HttpResponse *refusal = std::get_if<HttpResponse>(&listed))
        return std::move(*refusal);
    const auto &[documents, relative] = std::get<ListedFolder>(listed);
    auto opened = ZipStream::open(documents, relative, names);
    if (!opened) {
        if (opened.reason() == ZipError::CannotStart)
            return HttpResponse::internalServerError(opened.message().toStdString());
        return HttpResponse::notFound();
    }
    std::shared_ptr<ZipStream> zip = std::move(opened).value();
    const QString fileName = QString::fromStdString(zipFileName(relative, names));
    HttpResponse response;
    response.contentType = "application/zip";
    response.chunks = [zip](const http::ChunkWriter &write) {
        return zip->writeAll(write);
    };
    return response.withHeader(str(wire::dispositionHeader), dispositionValue(fileName))
        .withHeader("X-Content-Type-Options", "nosniff");
}

HttpResponse TransferServer::upload(const HttpRequest &request, const QString &folder, bool streamed) const {
    const UploadReceiver receiver(m_documentFolder(), folder);
    const UploadOutcome outcome = streamed ? receiver.receiveStream(request)
                                           : receiver.receiveForm(request, UploadReceiver::Mode::Upload);
    if (outcome.alert != UploadOutcome::Alert::None)
        alert(int(outcome.alert));
    return HttpResponse::text(outcome.message, outcome.status());
}

HttpResponse TransferServer::uploadPiece(const HttpRequest &request, const QString &folder) const {
    const PieceOutcome piece = ResumableUploads(m_documentFolder(), folder).receivePiece(request);
    if (piece.outcome.alert != UploadOutcome::Alert::None)
        alert(int(piece.outcome.alert));
    HttpResponse response = HttpResponse::text(piece.outcome.message, piece.status);
    if (piece.received)
        response.withHeader(str(wire::uploadOffsetHeader), std::to_string(*piece.received));
    return response;
}

HttpResponse TransferServer::uploadStatus(const HttpRequest &request, const QString &folder) const {
    const std::optional<std::string> id = request.queryValue(wire::uploadIdKey);
    if (!id || !ResumableUploads::isValidId(*id))
        return HttpResponse::badRequest(str(wire::fieldMissingMessage));
    const std::optional<uint64_t> received = ResumableUploads(m_documentFolder(), folder).receivedLength(*id);
    if (!received)
        return HttpResponse::notFound("No upload in progress has this id.");
    return HttpResponse::text(std::to_string(*received))
        .withHeader(str(wire::uploadOffsetHeader), std::to_string(*received))
        .withHeader("Cache-Control", "no-store");
}

HttpResponse TransferServer::save(const HttpRequest &request) const {
    const std::optional<QString> documents = m_documentFolder();
    const UploadReceiver receiver(documents, documents.value_or(QString()));
    const UploadOutcome outcome = receiver.receiveForm(request, UploadReceiver::Mode::Save);
    return HttpResponse::text(outcome.message, outcome.status());
}

} // namespace transfer
