#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <mutex>
#include <sys/stat.h>

#include <QFile>

namespace platform {
namespace {

std::mutex overrideMutex;
QString documentOverride;

QString xdgFolder(const char *variable, const char *fallbackBelowHome) {
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + "/" + fallbackBelowHome;
    return QDir::cleanPath(base + "/Tidewell");
}

QString created(const QString &folder) {
    QDir().mkpath(folder);
    return folder;
}

} // namespace

void setDocumentFolderOverride(const QString &folder) {
    std::lock_guard lock(overrideMutex);
    documentOverride = folder.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

std::optional<QString> documentFolder() {
    QString folder;
    {
        std::lock_guard lock(overrideMutex);
        folder = documentOverride;
    }
    if (folder.isEmpty())
        folder = qEnvironmentVariable("TIDEWELL_DOCUMENTS");
    if (folder.isEmpty())
        folder = xdgFolder("XDG_DATA_HOME", ".local/share") + "/Documents";
    if (!QDir::isAbsolutePath(folder))
        folder = QDir::current().absoluteFilePath(folder);
    folder = QDir::cleanPath(folder);
    // One stat in the common case; the folder is made only when it is missing.
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? std::optional<QString>(folder) : std::nullopt;
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return std::nullopt;
    return folder;
}

QString dataFolder() {
    return created(xdgFolder("XDG_DATA_HOME", ".local/share"));
}
QString configFolder() {
    return created(xdgFolder("XDG_CONFIG_HOME", ".config"));
}
QString cacheFolder() {
    return created(xdgFolder("XDG_CACHE_HOME", ".cache"));
}

} // namespace platform
