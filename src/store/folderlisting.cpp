#include "store/folderlisting.h"

#include "platform/fileattributes.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace store {
namespace {

// From how many entries a listing reads attributes on several threads.
constexpr size_t parallelListingThreshold = 2048;

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

    std::vector<std::string> names; // as the folder holds them
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
        names.emplace_back(item->d_name);
    }
    std::vector<FolderEntry> entries(names.size());
    const auto readRange = [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            entries[i].name = utf8Name(names[i].c_str());
            readEntry(dirFd, names[i].c_str(), nativeFolder, options, entries[i]);
        }
    };
    // A large folder's attributes are read on every core: the kernel's share of a listing is one
    // statx per entry, and each thread's entries are its own.
    const size_t threads = names.size() < parallelListingThreshold
                               ? 1
                               : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    std::vector<std::thread> helpers;
    const size_t slice = (names.size() + threads - 1) / threads;
    for (size_t t = 1; t < threads; ++t) {
        const size_t begin = std::min(names.size(), t * slice);
        const size_t end = std::min(names.size(), (t + 1) * slice);
        try {
            helpers.emplace_back(readRange, begin, end);
        } catch (const std::system_error &) {
            readRange(begin, end); // no thread to be had: this one reads the slice
        }
    }
    readRange(0, std::min(names.size(), slice));
    for (std::thread &helper : helpers)
        helper.join();
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
