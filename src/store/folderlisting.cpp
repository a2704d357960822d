#include "store/folderlisting.h"

#include "platform/fileattributes.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace store {
namespace {

qint64 toMs(const struct statx_timestamp &ts) {
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

// Names are bytes on Linux; ASCII is used as it is, anything else as Qt decodes file names.
std::string utf8Name(const char *name) {
    const std::string_view bytes(name);
    for (const char c : bytes)
        if ((unsigned char)c >= 0x80)
            return QFile::decodeName(name).toStdString();
    return std::string(bytes);
}

void readEntry(int dirFd, const char *name, const QByteArray &folder, const ListOptions &options,
               FolderEntry &entry) {
    const unsigned mask = STATX_BASIC_STATS | (options.creationDates ? STATX_BTIME : 0);
    struct statx info {};
    if (::statx(dirFd, name, 0, mask, &info) != 0 &&
        ::statx(dirFd, name, AT_SYMLINK_NOFOLLOW, mask, &info) != 0)
        return;
    entry.attributesRead = true;
    entry.isDirectory = S_ISDIR(info.stx_mode);
    entry.size = qint64(info.stx_size);
    entry.modifiedMs = toMs(info.stx_mtime);
    if (!options.creationDates)
        return;
    const QDateTime recorded = platform::recordedCreationDate(folder + '/' + name, true);
    entry.createdMs = recorded.isValid()              ? recorded.toMSecsSinceEpoch()
                      : (info.stx_mask & STATX_BTIME) ? toMs(info.stx_btime)
                                                      : entry.modifiedMs;
}

} // namespace

platform::Result<std::vector<FolderEntry>, ListError> listFolder(const QString &folderPath,
                                                                 ListOptions options) {
    struct CloseDir {
        void operator()(DIR *dir) const { ::closedir(dir); }
    };
    const QByteArray nativeFolder = QFile::encodeName(folderPath);
    std::unique_ptr<DIR, CloseDir> dir(::opendir(nativeFolder.constData()));
    if (!dir)
        return platform::fail(ListError::CannotList, QString::fromLocal8Bit(std::strerror(errno)));

    std::vector<FolderEntry> entries;
    const int dirFd = ::dirfd(dir.get());
    for (;;) {
        errno = 0;
        const dirent *item = ::readdir(dir.get());
        if (!item) {
            if (errno != 0)
                return platform::fail(ListError::CannotList, QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0 ||
            isStagingName(item->d_name))
            continue;
        FolderEntry entry;
        entry.name = utf8Name(item->d_name);
        readEntry(dirFd, item->d_name, nativeFolder, options, entry);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string lowerExtension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot == name.size() - 1)
        return {};
    std::string ext(name.substr(dot + 1));
    for (char &c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext;
}

bool isStagingName(std::string_view name) {
    return name.starts_with(stagingPrefix) && name.ends_with(stagingSuffix);
}

QString stagingPath(const QString &folder) {
    return folder + QLatin1Char('/') + QLatin1String(stagingPrefix.data(), qsizetype(stagingPrefix.size())) +
           QString::number(QRandomGenerator::global()->generate64(), 36) +
           QLatin1String(stagingSuffix.data(), qsizetype(stagingSuffix.size()));
}

} // namespace store
