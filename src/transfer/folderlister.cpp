#include "transfer/folderlister.h"

#include "transfer/listthumbnailer.h"
#include "transfer/wire.h"

#include <QFile>
#include <QUrl>
#include <QtConcurrentMap>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace transfer {
namespace {

struct Entry {
    QString name;
    QString path;
    std::string ext;
    bool isDirectory = false;
    qint64 size = 0;
    qint64 modified = 0;
    std::string thumbnail;
    bool isFileKind = false;
};

void appendKey(std::string &out, std::string_view key)
{
    appendJsonString(out, key);
    out += ':';
}

void appendEntry(std::string &out, const Entry &entry)
{
    const std::string name = entry.name.toStdString();
    out += '{';
    if (!entry.thumbnail.empty()) {
        appendKey(out, wire::thumbnailKey);
        appendJsonString(out, entry.thumbnail);
        out += ',';
    }
    appendKey(out, wire::kindKey);
    appendJsonString(out, entry.isFileKind ? wire::fileKind : wire::otherKind);
    out += ',';
    appendKey(out, wire::nameKey);
    appendJsonString(out, name);
    out += ',';
    appendKey(out, wire::pathKey);
    appendJsonString(out, name);
    out += ',';
    appendKey(out, wire::urlKey);
    appendJsonString(out, QUrl::fromLocalFile(entry.path).toEncoded().toStdString());
    out += ",\"directory\":";
    out += entry.isDirectory ? "true" : "false";
    out += ",\"size\":" + std::to_string(entry.size);
    out += ",\"modified\":" + std::to_string(entry.modified);
    out += '}';
}

} // namespace

void appendJsonString(std::string &out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if ((unsigned char)c < 0x20) {
                out += "\\u00";
                out += hex[(c >> 4) & 0xf];
                out += hex[c & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

std::string lowerExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1).toLower().toStdString();
}

platform::Result<std::string, ListError> FolderLister::list(const QString &folderPath,
                                                            const std::string &requestedFolder) const
{
    struct CloseDir {
        void operator()(DIR *dir) const { ::closedir(dir); }
    };
    std::unique_ptr<DIR, CloseDir> dir(::opendir(QFile::encodeName(folderPath).constData()));
    if (!dir)
        return platform::fail(ListError::CannotList, QString::fromLocal8Bit(std::strerror(errno)));

    std::vector<Entry> entries;
    const int dirFd = ::dirfd(dir.get());
    while (const dirent *item = ::readdir(dir.get())) {
        if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0)
            continue;
        Entry entry;
        entry.name = QFile::decodeName(item->d_name);
        entry.path = folderPath + '/' + entry.name;
        entry.ext = lowerExtension(entry.name);
        struct stat info {};
        if (::fstatat(dirFd, item->d_name, &info, 0) == 0 || ::fstatat(dirFd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.isDirectory = S_ISDIR(info.st_mode);
            entry.size = info.st_size;
            entry.modified = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1'000'000;
        }
        entries.push_back(std::move(entry));
    }

    // Kind and icon follow the extension alone, as a folder has none; images get their own picture.
    std::vector<Entry *> images;
    for (Entry &entry : entries) {
        if (wire::contains(wire::imageExtensions, entry.ext)) {
            entry.isFileKind = true;
            images.push_back(&entry);
            continue;
        }
        const std::string_view icon = iconNameFor(entry.ext);
        entry.isFileKind = icon != wire::otherKind;
        entry.thumbnail = m_thumbnailer.iconThumbnail(icon);
    }
    QtConcurrent::blockingMap(images, [this](Entry *entry) {
        entry->thumbnail = m_thumbnailer.imageThumbnail(entry->path);
    });

    std::string out;
    out.reserve(entries.size() * 1024 + 64);
    out += '{';
    appendKey(out, wire::filesKey);
    out += '[';
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i)
            out += ',';
        appendEntry(out, entries[i]);
    }
    out += "],";
    appendKey(out, wire::folderKey);
    appendJsonString(out, requestedFolder);
    out += ',';
    appendKey(out, wire::pathKey);
    appendJsonString(out, requestedFolder);
    out += '}';
    return out;
}

} // namespace transfer
