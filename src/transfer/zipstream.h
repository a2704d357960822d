#pragma once

#include "platform/result.h"
#include "platform/uniquefd.h"
#include "http/httpserver.h"

#include <QString>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

struct archive;

namespace transfer {

enum class ZipError { BadName, NotFound, CannotStart };

// A ZIP archive of entries of one folder, made while it is sent: each file is read a piece at a
// time and passed through libarchive's streaming writer (stored, not compressed: photos and videos
// do not shrink), so nothing is written to disk and memory stays flat whatever the sizes. Names are
// UTF-8; files over 4 GiB get ZIP64 records. Folders are added with everything below them.
//
// Every entry stays inside the document folder: each named entry must resolve inside it, folders
// reached through a symlink are not entered, and each file is opened beneath the root (openInside),
// so a symlink leading out is left out. Hidden staging files of uploads in progress are left out
// as listings leave them out. A file that cannot be opened when its turn comes is left out; one that
// shrinks while it is read cuts the stream (the client sees a broken download, never wrong bytes).
//
// Not thread-safe: one stream per reply, driven by one thread at a time.
class ZipStream {
public:
    ~ZipStream();
    ZipStream(const ZipStream &) = delete;
    ZipStream &operator=(const ZipStream &) = delete;

    // Plans the archive of `names` (entry names in `relativeFolder` below `documents`, "" for the
    // top). BadName for an unsafe name or none at all, NotFound when one is missing or outside.
    static platform::Result<std::unique_ptr<ZipStream>, ZipError>
    open(const QString &documents, const QString &relativeFolder, const std::vector<std::string> &names);

    // Writes the whole archive, a piece at a time; false when it had to stop (the writer refused,
    // or a file could not be read to its size).
    bool writeAll(const http::ChunkWriter &write);

private:
    enum class Step { More, Done, Abort };
    // Writes the next part: an entry's header, a piece of a file, or the central directory at the
    // end (Done). Abort when writing fails or a file cannot be read to its size.
    Step step(const http::ChunkWriter &write);
    struct Planned {
        QString relativePath; // below the document folder
        std::string archiveName;
        bool directory = false;
    };
    ZipStream() = default;
    bool plan(const QString &relativePath, const std::string &archiveName, int depth);
    bool startNext();
    bool writeFilePiece();

    QString m_documents;
    std::vector<Planned> m_plan;
    size_t m_next = 0;
    std::unique_ptr<archive, int (*)(archive *)> m_archive{nullptr, nullptr};
    const http::ChunkWriter *m_write = nullptr;
    bool m_writeFailed = false;
    platform::UniqueFd m_file;
    uint64_t m_fileOffset = 0;
    uint64_t m_fileLeft = 0;
    std::unique_ptr<char[]> m_buffer;
    bool m_closed = false;

    static ssize_t writeCallback(archive *, void *client, const void *data, size_t size);
};

// The file name the archive is offered under: the one entry's name, else the folder's (Documents
// at the top), with ".zip".
std::string zipFileName(const QString &relativeFolder, const std::vector<std::string> &names);

} // namespace transfer
