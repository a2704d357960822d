#pragma once

#include "platform/result.h"

#include <QDateTime>
#include <QString>

namespace platform {

// The name of the extended attribute in which the app records when it created or imported an
// entry. Its value is an ISO 8601 UTC time with milliseconds ("2026-12-07T21:53:00.000Z").
inline constexpr const char *creationDateAttribute = "user.tidewell.created";

struct FileAttributes {
    qint64 size = 0; // st_size: for a folder, the size of its directory entry, not of its contents
    QDateTime modificationDate;
    QDateTime creationDate; // see readFileAttributes
    bool isDirectory = false;
    bool isSymlink = false;
};

enum class AttributeError { NotFound, AccessDenied, Other };

// Reads the attributes of the entry itself (a symlink is not followed), like a file manager's
// attributes-of-item. The creation date is, in order: our extended attribute when the app has
// set one, the file system's birth time (statx) when it records one, else the modification time.
Result<FileAttributes, AttributeError> readFileAttributes(const QString &path);

// The creation date the app recorded in the entry's extended attribute (of the link itself unless
// followSymlink); an invalid date when there is none or it does not parse.
QDateTime recordedCreationDate(const QByteArray &nativePath, bool followSymlink);

// Records the creation date in the extended attribute; false when the file system refuses it.
bool setCreationDate(const QString &path, const QDateTime &date);

} // namespace platform
