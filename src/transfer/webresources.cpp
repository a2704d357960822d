#include "transfer/webresources.h"

#include <QCryptographicHash>
#include <QFile>

#include <map>
#include <mutex>

namespace transfer {

namespace {

http::HttpResponse typed(const std::string &fileName, std::string bytes) {
    if (fileName.ends_with(".html"))
        return http::HttpResponse::html(std::move(bytes));
    if (fileName.ends_with(".png"))
        return http::HttpResponse::data(std::move(bytes), "image/png");
    if (fileName.ends_with(".css"))
        return http::HttpResponse::data(std::move(bytes), "text/css; charset=utf-8");
    if (fileName.ends_with(".js"))
        return http::HttpResponse::data(std::move(bytes), "text/javascript; charset=utf-8");
    return http::HttpResponse::text(std::move(bytes));
}

} // namespace

http::HttpResponse webResource(const std::string &fileName) {
    QFile file(QStringLiteral(":/transfer/web/") + QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return http::HttpResponse::notFound();
    http::HttpResponse response = typed(fileName, file.readAll().toStdString());
    addPageSecurityHeaders(response);
    return response;
}

// The page runs only its own scripts and styles and shows only its own images and data:
// thumbnails; nothing it loads is sniffed into another type; no address leaves in a Referer.
void addPageSecurityHeaders(http::HttpResponse &response) {
    response.withHeader("Content-Security-Policy", "default-src 'self'; img-src 'self' data:")
        .withHeader("X-Content-Type-Options", "nosniff")
        .withHeader("Referrer-Policy", "no-referrer");
}

http::HttpResponse webResource(const http::HttpRequest &request, const std::string &fileName) {
    struct Kept {
        http::HttpResponse response;
        std::string etag;
    };
    static std::mutex mutex;
    static std::map<std::string, Kept, std::less<>> kept;
    std::unique_lock lock(mutex);
    auto it = kept.find(fileName);
    if (it == kept.end()) {
        http::HttpResponse response = webResource(fileName);
        if (response.status != 200)
            return response;
        const QByteArray digest =
            QCryptographicHash::hash(QByteArray::fromStdString(response.body), QCryptographicHash::Sha256);
        const std::string etag = '"' + digest.left(12).toBase64(QByteArray::Base64UrlEncoding).toStdString() + '"';
        response.withHeader("ETag", etag).withHeader("Cache-Control", "no-cache");
        it = kept.emplace(fileName, Kept{std::move(response), etag}).first;
    }
    const Kept &entry = it->second;
    lock.unlock();
    const std::string asked = request.header("If-None-Match");
    if (!asked.empty() && (asked == entry.etag || asked == "*" || asked.find(entry.etag) != std::string::npos)) {
        http::HttpResponse notModified;
        notModified.status = 304;
        notModified.headers = {{"ETag", entry.etag}, {"Cache-Control", "no-cache"}};
        return notModified;
    }
    return entry.response;
}

} // namespace transfer
