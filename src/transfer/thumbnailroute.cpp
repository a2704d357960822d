#include "transfer/thumbnailroute.h"

#include "thumbnails/freedesktopcache.h"
#include "thumbnails/generator.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace transfer {
namespace {

// The browser keeps a picture for a day; the page asks with the file's version in the address, so
// a changed file is asked for anew, and a revalidation costs a 304.
constexpr std::string_view cacheControl = "private, max-age=86400";

std::string trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return std::string(text);
}

QByteArray encode(const QImage &image, std::string &contentType) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    // Photos, frames and pages are opaque and far smaller as JPEG; only transparency needs PNG.
    const bool opaque = !image.hasAlphaChannel();
    QImageWriter writer(&buffer, opaque ? "jpeg" : "png");
    if (opaque)
        writer.setQuality(82);
    if (!writer.write(opaque ? image.convertToFormat(QImage::Format_RGB888) : image))
        return {};
    contentType = opaque ? "image/jpeg" : "image/png";
    return bytes;
}

} // namespace

ThumbnailRoute::ThumbnailRoute(const QString &cacheRoot)
    : m_disk(cacheRoot.isEmpty() ? nullptr : std::make_unique<thumbnails::FreedesktopCache>(cacheRoot)) {
    m_memory.setMaxCost(memoryBudget);
}

ThumbnailRoute::~ThumbnailRoute() = default;

std::optional<int> ThumbnailRoute::sideFor(const std::optional<std::string> &sizeText) {
    if (!sizeText)
        return thumbnails::FreedesktopCache::classSide(defaultSize);
    if (sizeText->empty() || sizeText->size() > 4)
        return std::nullopt;
    int size = 0;
    for (const char c : *sizeText) {
        if (c < '0' || c > '9')
            return std::nullopt;
        size = size * 10 + (c - '0');
    }
    if (size < 1)
        return std::nullopt;
    return thumbnails::FreedesktopCache::classSide(size);
}

std::string ThumbnailRoute::etagFor(const FileVersion &version, int side) {
    return "\"" + std::to_string(version.size) + "-" + std::to_string(version.mtimeNs) + "-" +
           std::to_string(side) + "\"";
}

bool ThumbnailRoute::matches(const std::string &ifNoneMatch, const std::string &etag) {
    size_t start = 0;
    while (start <= ifNoneMatch.size()) {
        size_t end = ifNoneMatch.find(',', start);
        if (end == std::string::npos)
            end = ifNoneMatch.size();
        std::string tag = trimmed(std::string_view(ifNoneMatch).substr(start, end - start));
        if (tag.starts_with("W/"))
            tag.erase(0, 2);
        if (tag == "*" || tag == etag)
            return true;
        start = end + 1;
    }
    return false;
}

http::HttpResponse ThumbnailRoute::answer(const http::HttpRequest &request, const QString &canonicalPath,
                                          const FileVersion &version, int side) {
    const std::string etag = etagFor(version, side);
    if (request.hasHeader("If-None-Match") && matches(request.header("If-None-Match"), etag)) {
        http::HttpResponse unchanged;
        unchanged.status = 304;
        return unchanged.withHeader("ETag", etag).withHeader("Cache-Control", std::string(cacheControl));
    }
    // A file no picture can be made of is no error of the request: it has nothing to show (204),
    // and the page keeps the kind's icon without an error in the browser's console.
    const std::optional<Encoded> picture = make(canonicalPath, version, side);
    if (!picture) {
        http::HttpResponse nothing;
        nothing.status = 204;
        return nothing.withHeader("ETag", etag).withHeader("Cache-Control", std::string(cacheControl));
    }
    http::HttpResponse response =
        http::HttpResponse::data(picture->bytes.toStdString(), picture->contentType);
    return response.withHeader("ETag", etag)
        .withHeader("Cache-Control", std::string(cacheControl))
        .withHeader("X-Content-Type-Options", "nosniff");
}

std::optional<ThumbnailRoute::Encoded> ThumbnailRoute::make(const QString &path, const FileVersion &version,
                                                            int side) {
    const QString key = path + '\n' + QString::number(version.size) + '-' + QString::number(version.mtimeNs) +
                        '-' + QString::number(side);
    {
        std::lock_guard lock(m_mutex);
        if (const Encoded *known = m_memory.object(key))
            return *known;
    }
    // The disk cache is keyed by the file as it is now; a file changed since it was examined simply
    // gets the picture of its newer version, which its next tag names.
    const std::optional<thumbnails::SourceFile> source = thumbnails::SourceFile::examine(path);
    QImage image;
    if (m_disk && source)
        image = m_disk->find(*source, side);
    if (image.isNull()) {
        image = thumbnails::makeThumbnail(path, side);
        if (image.isNull())
            return std::nullopt;
        // The disk cache only saves work: a failed store still answers the picture.
        if (m_disk && source)
            m_disk->store(*source, side, image);
    }
    Encoded encoded;
    encoded.bytes = encode(image, encoded.contentType);
    if (encoded.bytes.isEmpty())
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    m_memory.insert(key, new Encoded(encoded), std::max<qint64>(encoded.bytes.size(), 1));
    return encoded;
}

} // namespace transfer
