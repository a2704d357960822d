#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace thumbnails {

// One version of a file as the thumbnail cache knows it.
struct SourceFile {
    QString path;     // canonical, symbolic links resolved
    QByteArray uri;   // file:// URI of path, percent-encoded
    qint64 mtime = 0; // seconds
    qint64 size = 0;

    // The file as it is now; nullopt when it does not exist or is not a regular file.
    static std::optional<SourceFile> examine(const QString &path);
    bool operator==(const SourceFile &) const = default;
};

// The desktop's shared thumbnail cache after the freedesktop Thumbnail Managing Standard:
// <root>/normal (128 px), large (256), x-large (512) and xx-large (1024) hold PNGs named by the MD5 of
// the file's URI, carrying the keys Thumb::URI, Thumb::MTime, Thumb::Size, Thumb::Mimetype and
// Software; fail/tidewell-<version>/ holds the empty markers of files no thumbnail could be made of.
// A stored thumbnail counts only while its URI, MTime and Size match the file as it is now.
// Folders are made 0700 and files 0600; each file is written under a temporary name in its folder
// and renamed, so readers never see half of one. Thread-safe (no state beyond the root).
class FreedesktopCache {
public:
    // $XDG_CACHE_HOME/thumbnails (default ~/.cache/thumbnails).
    static QString defaultRoot();
    explicit FreedesktopCache(QString root = defaultRoot());

    // The size class of a request: the smallest whose side is at least size; nullopt above 1024.
    static std::optional<int> classSide(int size);
    // "<lowercase hex MD5 of uri>.png".
    static QString fileName(const QByteArray &uri);

    // The file of the thumbnail of classSide(size) pixels; empty when no class fits.
    QString thumbnailPath(const SourceFile &source, int size) const;
    QString failurePath(const SourceFile &source) const;

    // The stored thumbnail of the class for size; null when there is none or it is out of date.
    QImage find(const SourceFile &source, int size) const;
    // Stores image (already within the class's side) as the thumbnail of the class for size.
    bool store(const SourceFile &source, int size, const QImage &image) const;

    // Whether a current failure marker exists, and recording one.
    bool hasFailure(const SourceFile &source) const;
    bool storeFailure(const SourceFile &source) const;

private:
    QString m_root;
};

} // namespace thumbnails
