#include "transfer/webresources.h"

#include <QFile>

namespace transfer {

http::HttpResponse webResource(const std::string &fileName) {
    QFile file(QStringLiteral(":/transfer/web/") + QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return http::HttpResponse::notFound();
    std::string bytes = file.readAll().toStdString();
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

} // namespace transfer
