#include "transfer/webresources.h"

#include <QFile>

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

} // namespace transfer
