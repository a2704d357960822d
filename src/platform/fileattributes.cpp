#include "platform/fileattributes.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace platform {
namespace {

QDateTime fromTimestamp(const struct statx_timestamp &ts) {
    return QDateTime::fromMSecsSinceEpoch(qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000, Qt::UTC);
}

} // namespace

QDateTime recordedCreationDate(const QByteArray &nativePath, bool followSymlink) {
    char buffer[64];
    const ssize_t length =
        followSymlink ? ::getxattr(nativePath.constData(), creationDateAttribute, buffer, sizeof buffer - 1)
                      : ::lgetxattr(nativePath.constData(), creationDateAttribute, buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    const QDateTime date =
        QDateTime::fromString(QString::fromLatin1(buffer, int(length)).trimmed(), Qt::ISODateWithMs);
    return date.isValid() ? date.toUTC() : QDateTime();
}

Result<FileAttributes, AttributeError> readFileAttributes(const QString &path) {
    const QByteArray nativePath = QFile::encodeName(path);
    struct statx info {};
    const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    if (::statx(AT_FDCWD, nativePath.constData(), AT_SYMLINK_NOFOLLOW, mask, &info) != 0) {
        const int error = errno;
        const AttributeError reason = error == ENOENT || error == ENOTDIR ? AttributeError::NotFound
                                      : error == EACCES                   ? AttributeError::AccessDenied
                                                                          : AttributeError::Other;
        return fail(reason, QString::fromLocal8Bit(std::strerror(error)));
    }

    FileAttributes attributes;
    attributes.size = qint64(info.stx_size);
    attributes.isDirectory = S_ISDIR(info.stx_mode);
    attributes.isSymlink = S_ISLNK(info.stx_mode);
    attributes.modificationDate = fromTimestamp(info.stx_mtime);
    attributes.creationDate = recordedCreationDate(nativePath, false);
    if (!attributes.creationDate.isValid())
        attributes.creationDate =
            (info.stx_mask & STATX_BTIME) ? fromTimestamp(info.stx_btime) : attributes.modificationDate;
    return attributes;
}

bool setCreationDate(const QString &path, const QDateTime &date) {
    const QByteArray value = date.toUTC().toString(Qt::ISODateWithMs).toLatin1();
    return ::lsetxattr(QFile::encodeName(path).constData(), creationDateAttribute, value.constData(),
                       size_t(value.size()), 0) == 0;
}

} // namespace platform
