#pragma once

#include "http/httpserver.h"

#include <QByteArray>
#include <QCache>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace thumbnails {
class FreedesktopCache;
}

namespace transfer {

// One version of a file as the thumbnail route names it: its size and modification time.
struct FileVersion {
    uint64_t size = 0;
    int64_t mtimeNs = 0;
};

// The thumbnail route's answers: pictures of images, video frames and first PDF pages from the
// thumbnail pipeline, fitted into the freedesktop size class of the size asked for (128, 256, 512
// or 1024 pixels), as JPEG (PNG when the picture has transparency). Every answer carries an ETag
// made of the file's size and modification time and the class, and Cache-Control; a request whose
// If-None-Match names the current tag gets 304 without the picture being made.
//
// Made pictures are kept in the freedesktop cache on disk (shared with the app) and, encoded, in
// memory within a budget. Thread-safe: handlers call answer() on any worker.
class ThumbnailRoute {
public:
    static constexpr int defaultSize = 256;
    static constexpr qint64 memoryBudget = 32 * 1024 * 1024;

    // An empty cache root keeps made pictures in memory only.
    explicit ThumbnailRoute(const QString &cacheRoot);
    ~ThumbnailRoute();

    // The size class for a requested size text: that of defaultSize when absent; nullopt when it
    // is not a whole number from 1 to 1024.
    static std::optional<int> sideFor(const std::optional<std::string> &sizeText);
    static std::string etagFor(const FileVersion &version, int side);
    // Whether an If-None-Match value ("*", or a list of tags, weak or strong) names the tag.
    static bool matches(const std::string &ifNoneMatch, const std::string &etag);

    // The answer for the file at `canonicalPath` (already checked to lie inside the document
    // folder) as it was found (`version`): 304 on a matching tag, the picture, or 204 (no content)
    // when no picture can be made of it.
    http::HttpResponse answer(const http::HttpRequest &request, const QString &canonicalPath,
                              const FileVersion &version, int side);

private:
    struct Encoded {
        QByteArray bytes;
        std::string contentType;
    };
    std::optional<Encoded> make(const QString &path, const FileVersion &version, int side);

    std::unique_ptr<thumbnails::FreedesktopCache> m_disk;
    std::mutex m_mutex;
    QCache<QString, Encoded> m_memory;
};

} // namespace transfer
