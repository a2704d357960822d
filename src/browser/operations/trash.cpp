#include "browser/operations/trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace browser {

std::optional<QString> moveToTrashOrRemove(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QStringLiteral("No such file or folder: %1").arg(path);
    QFile entry(path);
    if (entry.moveToTrash())
        return std::nullopt;
    // No trash on this file system, or none that may be written: remove, as the app always did
    // where there is nothing to restore from.
    const QString trashError = entry.errorString();
    const bool removed =
        info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (removed)
        return std::nullopt;
    return QStringLiteral("Could not delete %1 (trash: %2)").arg(path, trashError);
}

} // namespace browser
