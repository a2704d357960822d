#include "thumbnails/freedesktopcache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

#include <array>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace thumbnails {
namespace {

struct SizeClass {
    int side;
    const char *folder;
};
constexpr std::array<SizeClass, 4> sizeClasses = {
    {{128, "normal"}, {256, "large"}, {512, "x-large"}, {1024, "xx-large"}}};

const char uriKey[] = "Thumb::URI";
const char mtimeKey[] = "Thumb::MTime";
const char sizeKey[] = "Thumb::Size";
const char mimeKey[] = "Thumb::Mimetype";
const char softwareKey[] = "Software";

const char *classFolder(int size) {
    for (const SizeClass &sizeClass : sizeClasses) {
        if (size <= sizeClass.side)
            return sizeClass.folder;
    }
    return nullptr;
}

// The standard's folders are private to the user: created 0700, the parent of root as usual.
bool makePrivateFolder(const QString &path, const QString &root) {
    if (QFileInfo(path).isDir())
        return true;
    const QString parent = QFileInfo(path).absolutePath();
    const bool parentReady = path == root ? QDir().mkpath(parent) : makePrivateFolder(parent, root);
    if (!parentReady)
        return false;
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return QFileInfo(path).isDir();
}

bool writeAtomically(const QString &path, const QString &root, const QImage &image) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!makePrivateFolder(folder, root))
        return false;
    // QTemporaryFile creates its file 0600 and with a name no other writer uses.
    QTemporaryFile temp(folder + "/.tidewell-XXXXXX.png");
    if (!temp.open())
        return false;
    QImageWriter writer(&temp, "png");
    if (!writer.write(image) || !temp.flush())
        return false;
    temp.close();
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return false;
    temp.setAutoRemove(false);
    return true;
}

QImage withKeys(QImage image, const SourceFile &source) {
    image.setText(uriKey, QString::fromLatin1(source.uri));
    image.setText(mtimeKey, QString::number(source.mtime));
    image.setText(sizeKey, QString::number(source.size));
    const QString mime = QMimeDatabase().mimeTypeForFile(source.path).name();
    if (!mime.isEmpty())
        image.setText(mimeKey, mime);
    image.setText(softwareKey, QStringLiteral("Tidewell " TIDEWELL_VERSION));
    return image;
}

// The picture of a stored file when its keys describe source as it is now; null otherwise.
QImage readCurrent(const QString &path, const SourceFile &source) {
    QImageReader reader(path, "png");
    // QImageReader::text() cuts keys at their first colon ("Thumb::URI" becomes "Thumb"); the
    // decoded picture carries them whole, also those some writers put after the pixels.
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.text(uriKey).toLatin1() != source.uri)
        return {};
    // Some writers give fractions of a second; the whole seconds are what is compared.
    bool ok = false;
    const double mtime = image.text(mtimeKey).toDouble(&ok);
    if (!ok || qint64(mtime) != source.mtime)
        return {};
    const QString size = image.text(sizeKey);
    if (!size.isEmpty() && size.toLongLong() != source.size)
        return {};
    return image;
}

} // namespace

std::optional<SourceFile> SourceFile::examine(const QString &path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    SourceFile source;
    source.path = info.canonicalFilePath();
    if (source.path.isEmpty())
        return std::nullopt;
    source.uri = QUrl::fromLocalFile(source.path).toEncoded();
    source.mtime = info.lastModified().toSecsSinceEpoch();
    source.size = info.size();
    return source;
}

QString FreedesktopCache::defaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/thumbnails";
}

FreedesktopCache::FreedesktopCache(QString root)
    : m_root(std::move(root)) {}

std::optional<int> FreedesktopCache::classSide(int size) {
    for (const SizeClass &sizeClass : sizeClasses) {
        if (size <= sizeClass.side)
            return sizeClass.side;
    }
    return std::nullopt;
}

QString FreedesktopCache::fileName(const QByteArray &uri) {
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) + ".png";
}

QString FreedesktopCache::thumbnailPath(const SourceFile &source, int size) const {
    const char *folder = classFolder(size);
    if (!folder)
        return {};
    return m_root + '/' + QLatin1String(folder) + '/' + fileName(source.uri);
}

QString FreedesktopCache::failurePath(const SourceFile &source) const {
    return m_root + "/fail/tidewell-" TIDEWELL_VERSION "/" + fileName(source.uri);
}

QImage FreedesktopCache::find(const SourceFile &source, int size) const {
    const QString path = thumbnailPath(source, size);
    return path.isEmpty() ? QImage() : readCurrent(path, source);
}

bool FreedesktopCache::store(const SourceFile &source, int size, const QImage &image) const {
    const QString path = thumbnailPath(source, size);
    if (path.isEmpty() || image.isNull())
        return false;
    return writeAtomically(path, m_root, withKeys(image, source));
}

bool FreedesktopCache::hasFailure(const SourceFile &source) const {
    return !readCurrent(failurePath(source), source).isNull();
}

bool FreedesktopCache::storeFailure(const SourceFile &source) const {
    QImage empty(1, 1, QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    return writeAtomically(failurePath(source), m_root, withKeys(empty, source));
}

} // namespace thumbnails
