#pragma once

#include <QByteArray>
#include <QCache>
#include <QString>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace thumbnails {

// The text form of a cached thumbnail: a data URL of the PNG bytes.
inline constexpr std::string_view pngDataUrlPrefix = "data:image/png;base64,";

// Remembers the list route's thumbnails already made (palette PNGs of one size, the list's). A key
// names one version of a file (its path, size and modification time), so a changed file simply gets
// a new key. Entries live in memory, within a budget of bytes (least recently used go first), and on
// disk under the given folder (the server passes $XDG_CACHE_HOME/Tidewell/thumbnails) so that a
// restarted server answers at once; the disk folder may be deleted at any time. An empty entry
// records that no thumbnail could be made. Thread-safe.
class ThumbnailCache {
public:
    static constexpr qint64 defaultMemoryBudget = 64 * 1024 * 1024;

    // An empty disk folder keeps the cache in memory only.
    explicit ThumbnailCache(QString diskFolder, qint64 memoryBudget = defaultMemoryBudget);

    // The key of the file as it is now; nullopt when it cannot be examined.
    static std::optional<QByteArray> keyFor(const QString &path);

    // The thumbnail text ("data:image/png;base64,..." or empty for "none possible"), if known.
    std::optional<std::string> find(const QByteArray &key);
    // Records the PNG bytes (empty: no thumbnail) and returns the thumbnail text.
    std::string insert(const QByteArray &key, const QByteArray &png);

    qint64 memoryBytes() const;

private:
    QString diskPath(const QByteArray &key) const;
    void remember(const QByteArray &key, const std::string &text);

    QString m_diskFolder;
    mutable std::mutex m_mutex;
    QCache<QByteArray, std::string> m_memory;
};

// The list thumbnail text of an image file: decoded to at most maxSide pixels on the long side and
// encoded with compactPng, taken from the cache and recorded in it when there is one. Empty when the
// file cannot be decoded. Thread-safe.
std::string paletteThumbnailText(const QString &path, int maxSide, ThumbnailCache *cache);

} // namespace thumbnails
