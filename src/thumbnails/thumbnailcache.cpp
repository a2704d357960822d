#include "thumbnails/thumbnailcache.h"

#include "thumbnails/compactpng.h"
#include "thumbnails/imagedecoder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <sys/stat.h>

namespace thumbnails {
namespace {

// Changes whenever the thumbnails themselves change (size, encoding), so old ones are not reused.
constexpr char keyVersion[] = "list-thumbnail-v3-224-quantised";

std::string textFor(const QByteArray &png) {
    if (png.isEmpty())
        return {};
    std::string text(pngDataUrlPrefix);
    text += png.toBase64().toStdString();
    return text;
}

} // namespace

ThumbnailCache::ThumbnailCache(QString diskFolder, qint64 memoryBudget)
    : m_diskFolder(std::move(diskFolder))
    , m_memory(memoryBudget) {}

std::optional<QByteArray> ThumbnailCache::keyFor(const QString &path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(keyVersion);
    hash.addData(QFile::encodeName(path));
    const QByteArray version = QByteArray::number(qint64(info.st_size)) + ':' +
                               QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
                               QByteArray::number(qint64(info.st_mtim.tv_nsec)) + ':' +
                               QByteArray::number(quint64(info.st_ino));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(version);
    return hash.result().toHex();
}

QString ThumbnailCache::diskPath(const QByteArray &key) const {
    return m_diskFolder + '/' + QString::fromLatin1(key.left(2)) + '/' + QString::fromLatin1(key) + ".png";
}

void ThumbnailCache::remember(const QByteArray &key, const std::string &text) {
    std::lock_guard lock(m_mutex);
    m_memory.insert(key, new std::string(text), qsizetype(text.size()) + 64);
}

std::optional<std::string> ThumbnailCache::find(const QByteArray &key) {
    {
        std::lock_guard lock(m_mutex);
        if (const std::string *text = m_memory.object(key))
            return *text;
    }
    if (m_diskFolder.isEmpty())
        return std::nullopt;
    QFile file(diskPath(key));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::string text = textFor(file.readAll());
    remember(key, text);
    return text;
}

std::string ThumbnailCache::insert(const QByteArray &key, const QByteArray &png) {
    const std::string text = textFor(png);
    remember(key, text);
    if (m_diskFolder.isEmpty())
        return text;
    // Written under a temporary name and renamed, so a reader never sees half a thumbnail.
    const QString path = diskPath(key);
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    const QString temp = path + ".tmp" + QString::number(QRandomGenerator::global()->generate(), 36);
    QFile file(temp);
    if (file.open(QIODevice::WriteOnly) && file.write(png) == png.size() && file.flush()) {
        file.close();
        if (!QFile::rename(temp, path))
            QFile::remove(temp);
    } else {
        file.close();
        QFile::remove(temp);
    }
    return text;
}

qint64 ThumbnailCache::memoryBytes() const {
    std::lock_guard lock(m_mutex);
    return m_memory.totalCost();
}

std::string paletteThumbnailText(const QString &path, int maxSide, ThumbnailCache *cache) {
    const std::optional<QByteArray> key = cache ? ThumbnailCache::keyFor(path) : std::nullopt;
    if (key) {
        if (std::optional<std::string> cached = cache->find(*key))
            return *cached;
    }
    const QImage image = decodeImage(path, maxSide);
    const QByteArray png = image.isNull() ? QByteArray() : compactPng(image);
    if (key)
        return cache->insert(*key, png);
    return textFor(png);
}

} // namespace thumbnails
