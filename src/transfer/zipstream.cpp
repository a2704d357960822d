#include "transfer/zipstream.h"

#include "platform/log.h"
#include "store/folderlisting.h"
#include "transfer/pathguard.h"

#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace transfer {
namespace {

constexpr size_t pieceSize = 1024 * 1024;
// Deeper trees than this are cut off: they are far deeper than any a person makes.
constexpr int maxDepth = 64;

std::string folderName(const QString &relativeFolder) {
    const qsizetype slash = relativeFolder.lastIndexOf('/');
    const QString last = slash < 0 ? relativeFolder : relativeFolder.mid(slash + 1);
    return last.isEmpty() ? std::string("Documents") : last.toStdString();
}

QString joined(const QString &folder, const QString &name) {
    return folder.isEmpty() ? name : folder + '/' + name;
}

} // namespace

std::string zipFileName(const QString &relativeFolder, const std::vector<std::string> &names) {
    return (names.size() == 1 ? names.front() : folderName(relativeFolder)) + ".zip";
}

ZipStream::~ZipStream() = default;

platform::Result<std::unique_ptr<ZipStream>, ZipError>
ZipStream::open(const QString &documents, const QString &relativeFolder,
                const std::vector<std::string> &names) {
    if (names.empty())
        return platform::fail(ZipError::BadName, QStringLiteral("no entry is named"));
    std::unique_ptr<ZipStream> stream(new ZipStream());
    stream->m_documents = documents;
    for (const std::string &name : names) {
        if (!isSafeEntryName(name))
            return platform::fail(ZipError::BadName, QString::fromStdString(name));
        const QString relative = joined(relativeFolder, QString::fromStdString(name));
        if (!resolveInside(documents, documents + '/' + relative))
            return platform::fail(ZipError::NotFound, QString::fromStdString(name));
        if (!stream->plan(relative, name, 0))
            return platform::fail(ZipError::NotFound, QString::fromStdString(name));
    }

    std::unique_ptr<archive, int (*)(archive *)> writer(archive_write_new(), archive_write_free);
    if (!writer)
        return platform::fail(ZipError::CannotStart, QStringLiteral("libarchive could not start a writer"));
    archive *a = writer.get();
    // No blocking: every write reaches the client as it is made, and the last block is not padded.
    if (archive_write_set_format_zip(a) != ARCHIVE_OK ||
        archive_write_set_options(a, "zip:compression=store,zip:hdrcharset=UTF-8") != ARCHIVE_OK ||
        archive_write_set_bytes_per_block(a, 0) != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(a, 1) != ARCHIVE_OK ||
        archive_write_open(a, stream.get(), nullptr, &ZipStream::writeCallback, nullptr) != ARCHIVE_OK)
        return platform::fail(ZipError::CannotStart, QString::fromUtf8(archive_error_string(a)));
    stream->m_archive = std::move(writer);
    stream->m_buffer.reset(new char[pieceSize]);
    return stream;
}

bool ZipStream::plan(const QString &relativePath, const std::string &archiveName, int depth) {
    const QString path = m_documents + '/' + relativePath;
    const QFileInfo info(path);
    if (!info.isDir()) {
        m_plan.push_back({relativePath, archiveName, false});
        return true;
    }
    // A folder reached through a symlink could lead in a circle or out; only real folders are entered.
    if (info.isSymLink() || depth > maxDepth)
        return depth > 0;
    m_plan.push_back({relativePath, archiveName + '/', true});
    auto listing = store::listFolder(path);
    if (!listing)
        return depth > 0;
    std::vector<store::FolderEntry> &children = listing.value();
    std::sort(children.begin(), children.end(),
              [](const store::FolderEntry &a, const store::FolderEntry &b) { return a.name < b.name; });
    for (const store::FolderEntry &child : children)
        plan(relativePath + '/' + QString::fromStdString(child.name), archiveName + '/' + child.name,
             depth + 1);
    return true;
}

bool ZipStream::writeAll(const http::ChunkWriter &write) {
    Step next = Step::More;
    while (next == Step::More)
        next = step(write);
    return next == Step::Done;
}

ssize_t ZipStream::writeCallback(archive *, void *client, const void *data, size_t size) {
    auto *stream = static_cast<ZipStream *>(client);
    if (!stream->m_write || !(*stream->m_write)(static_cast<const char *>(data), size)) {
        stream->m_writeFailed = true;
        return -1;
    }
    return ssize_t(size);
}

ZipStream::Step ZipStream::step(const http::ChunkWriter &write) {
    if (m_closed)
        return Step::Done;
    m_write = &write;
    bool ok = true;
    if (m_fileLeft > 0) {
        ok = writeFilePiece();
    } else if (m_next < m_plan.size()) {
        ok = startNext();
    } else {
        m_closed = true;
        ok = archive_write_close(m_archive.get()) == ARCHIVE_OK;
        if (ok) {
            m_write = nullptr;
            return Step::Done;
        }
    }
    m_write = nullptr;
    if (!ok || m_writeFailed)
        return Step::Abort;
    return Step::More;
}

bool ZipStream::startNext() {
    const Planned &item = m_plan[m_next++];
    struct stat info {};
    if (!item.directory) {
        m_file = openInside(m_documents, item.relativePath);
        if (!m_file || ::fstat(m_file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            platform::log("ZIP: left out " + item.relativePath);
            m_file = {};
            return true;
        }
    }
    std::unique_ptr<archive_entry, void (*)(archive_entry *)> entry(archive_entry_new(), archive_entry_free);
    if (!entry)
        return false;
    archive_entry_set_pathname_utf8(entry.get(), item.archiveName.c_str());
    archive_entry_set_filetype(entry.get(), item.directory ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry.get(), item.directory ? 0755 : 0644);
    archive_entry_set_size(entry.get(), item.directory ? 0 : info.st_size);
    if (!item.directory)
        archive_entry_set_mtime(entry.get(), info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    if (archive_write_header(m_archive.get(), entry.get()) != ARCHIVE_OK)
        return false;
    m_fileOffset = 0;
    m_fileLeft = item.directory ? 0 : uint64_t(info.st_size);
    if (m_fileLeft == 0) {
        m_file = {};
        return archive_write_finish_entry(m_archive.get()) == ARCHIVE_OK;
    }
    return true;
}

bool ZipStream::writeFilePiece() {
    const size_t want = size_t(std::min<uint64_t>(pieceSize, m_fileLeft));
    const ssize_t got = ::pread(m_file.get(), m_buffer.get(), want, off_t(m_fileOffset));
    if (got <= 0) {
        platform::log(QStringLiteral("ZIP: a file could not be read to its end"));
        return false;
    }
    if (archive_write_data(m_archive.get(), m_buffer.get(), size_t(got)) != got)
        return false;
    m_fileOffset += uint64_t(got);
    m_fileLeft -= uint64_t(got);
    if (m_fileLeft > 0)
        return true;
    m_file = {};
    return archive_write_finish_entry(m_archive.get()) == ARCHIVE_OK;
}

} // namespace transfer
