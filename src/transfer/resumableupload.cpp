#include "transfer/resumableupload.h"

#include "platform/log.h"
#include "platform/uniquefd.h"
#include "http/httpserver.h"
#include "transfer/pathguard.h"
#include "transfer/wire.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace transfer {
namespace {

using Result = UploadOutcome::Result;

constexpr std::string_view resumePrefix = ".tidewell-resume-";
constexpr std::string_view partSuffix = ".part";
constexpr size_t writeBuffer = 256 * 1024;

std::string partName(std::string_view id, uint64_t total) {
    return std::string(resumePrefix).append(id).append("-").append(std::to_string(total)).append(partSuffix);
}

std::optional<uint64_t> parseNumber(const std::optional<std::string> &text) {
    if (!text || text->empty() || text->size() > 19)
        return std::nullopt;
    uint64_t value = 0;
    for (const char c : *text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + uint64_t(c - '0');
    }
    return value;
}

// The id and total of a resumable upload's file name.
std::optional<std::pair<std::string, uint64_t>> parsePartName(std::string_view name) {
    if (!name.starts_with(resumePrefix) || !name.ends_with(partSuffix))
        return std::nullopt;
    name.remove_prefix(resumePrefix.size());
    name.remove_suffix(partSuffix.size());
    const size_t dash = name.rfind('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const std::optional<uint64_t> total = parseNumber(std::string(name.substr(dash + 1)));
    if (!total || !ResumableUploads::isValidId(name.substr(0, dash)))
        return std::nullopt;
    return std::pair{std::string(name.substr(0, dash)), *total};
}

platform::UniqueFd openFolder(const QString &folder) {
    return platform::UniqueFd(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// Calls visit(name, id, total) for every resumable upload file in the folder.
template <typename Visit> void forEachPart(int dirFd, Visit visit) {
    const int copy = ::dup(dirFd); // fdopendir takes over the descriptor it is given
    if (copy < 0)
        return;
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::fdopendir(copy), &::closedir);
    if (!dir) {
        ::close(copy);
        return;
    }
    while (const dirent *entry = ::readdir(dir.get()))
        if (const auto parsed = parsePartName(entry->d_name))
            visit(std::string(entry->d_name), parsed->first, parsed->second);
}

std::optional<std::pair<std::string, uint64_t>> findPart(int dirFd, std::string_view id) {
    std::optional<std::pair<std::string, uint64_t>> found;
    forEachPart(dirFd, [&](const std::string &name, const std::string &partId, uint64_t total) {
        if (partId == id)
            found = std::pair{name, total};
    });
    return found;
}

uint64_t sizeOf(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? uint64_t(info.st_size) : 0;
}

bool writeAt(int fd, const char *data, size_t size, uint64_t offset) {
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size, off_t(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
        offset += uint64_t(written);
    }
    return true;
}

PieceOutcome done(Result result, std::string_view detail = {}, std::optional<uint64_t> received = {}) {
    UploadOutcome outcome = uploadOutcome(result, detail);
    const int status = outcome.status();
    return PieceOutcome{std::move(outcome), received, status};
}

PieceOutcome conflict(std::string message, std::optional<uint64_t> received) {
    return PieceOutcome{UploadOutcome{Result::BodyUnreadable, std::move(message)}, received, 409};
}

std::string urlText(const QString &path) {
    return QUrl::fromLocalFile(path).toEncoded().toStdString();
}

} // namespace

bool isResumableName(std::string_view name) {
    return parsePartName(name).has_value();
}

bool ResumableUploads::isValidId(std::string_view id) {
    if (id.size() < 8 || id.size() > 64)
        return false;
    for (const char c : id) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

ResumableUploads::ResumableUploads(std::optional<QString> documentFolder, QString folder)
    : m_documentFolder(std::move(documentFolder))
    , m_folder(std::move(folder)) {}

int ResumableUploads::removeExpired() const {
    const platform::UniqueFd dirFd = openFolder(m_folder);
    if (!dirFd)
        return 0;
    const auto now = std::chrono::system_clock::now();
    int removed = 0;
    forEachPart(dirFd.get(), [&](const std::string &name, const std::string &, uint64_t) {
        platform::UniqueFd fd(
            ::openat(dirFd.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
            return;
        const auto touched = std::chrono::system_clock::time_point(std::chrono::seconds(info.st_mtim.tv_sec));
        // A piece being received holds the lock: that upload is alive whatever its age.
        if (now - touched < expiry || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            return;
        if (::unlinkat(dirFd.get(), name.c_str(), 0) == 0)
            ++removed;
    });
    return removed;
}

std::optional<uint64_t> ResumableUploads::receivedLength(std::string_view id) const {
    if (!isValidId(id))
        return std::nullopt;
    removeExpired();
    const platform::UniqueFd dirFd = openFolder(m_folder);
    if (!dirFd)
        return std::nullopt;
    const auto part = findPart(dirFd.get(), id);
    if (!part)
        return std::nullopt;
    const platform::UniqueFd fd(
        ::openat(dirFd.get(), part->first.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return std::nullopt;
    return sizeOf(fd.get());
}

PieceOutcome ResumableUploads::receivePiece(const http::HttpRequest &request) const {
    const std::optional<std::string> id = request.queryValue(wire::uploadIdKey);
    const std::optional<std::string> name = request.queryValue(wire::pathKey);
    const std::optional<uint64_t> offset = parseNumber(request.queryValue(wire::offsetKey));
    const std::optional<uint64_t> total = parseNumber(request.queryValue(wire::totalKey));
    if (!id || !isValidId(*id) || !name || !offset || !total)
        return done(Result::FieldMissing);
    if (!m_documentFolder)
        return done(Result::NoDocuments);
    const QString fileName = QString::fromStdString(*name);
    if (!isSafeEntryName(*name) || !mayCreateInside(*m_documentFolder, m_folder, fileName))
        return done(Result::BadName, *name);
    const QString target = m_folder + '/' + fileName;
    if (!isReceivableType(target))
        return done(Result::Unsupported);
    removeExpired();
    const platform::UniqueFd dirFd = openFolder(m_folder);
    if (!dirFd)
        return done(Result::WriteFailed);
    if (QFileInfo::exists(target)) {
        // This upload can never be placed: what it holds goes now rather than in an hour.
        if (const auto part = findPart(dirFd.get(), *id)) {
            platform::UniqueFd held(
                ::openat(dirFd.get(), part->first.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
            if (held && ::flock(held.get(), LOCK_EX | LOCK_NB) == 0 &&
                ::unlinkat(dirFd.get(), part->first.c_str(), 0) != 0)
                platform::log("Upload: the hidden file of a refused upload stays in " + m_folder);
        }
        return done(Result::AlreadyExists, urlText(target));
    }
    if (const auto part = findPart(dirFd.get(), *id); part && part->second != *total)
        return conflict("This upload id belongs to a file of another size.", std::nullopt);
    const std::string part = partName(*id, *total);
    platform::UniqueFd fd(
        ::openat(dirFd.get(), part.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (!fd) {
        platform::log("Upload: cannot keep a resumable upload in " + m_folder);
        return done(Result::WriteFailed);
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return conflict("Another piece of this upload is being received.", sizeOf(fd.get()));
    const uint64_t held = sizeOf(fd.get());
    if (*offset > held)
        return conflict("This piece leaves a gap after the bytes received so far.", held);
    if (const auto length = request.contentLength(); length && *length > *total - *offset)
        return done(Result::TooLarge, {}, held);

    std::unique_ptr<char[]> buffer(new char[writeBuffer]);
    size_t buffered = 0;
    uint64_t position = *offset;
    bool tooLarge = false;
    bool writeFailed = false;
    const auto flush = [&] {
        if (buffered > 0 && !writeAt(fd.get(), buffer.get(), buffered, position - buffered))
            writeFailed = true;
        buffered = 0;
        return !writeFailed;
    };
    const http::BodyRead read = request.readBody([&](const char *data, size_t size) {
        if (size > *total - position) {
            tooLarge = true;
            return false;
        }
        while (size > 0) {
            const size_t take = std::min(size, writeBuffer - buffered);
            std::copy(data, data + take, buffer.get() + buffered);
            buffered += take;
            position += take;
            data += take;
            size -= take;
            if (buffered == writeBuffer && !flush())
                return false;
        }
        return true;
    });
    // What arrived before a break is kept: the next piece goes on from there.
    flush();
    const uint64_t received = sizeOf(fd.get());
    if (writeFailed) {
        platform::log("Upload: writing a resumable upload failed in " + m_folder);
        return done(Result::WriteFailed, {}, received);
    }
    if (tooLarge || read == http::BodyRead::TooLarge)
        return done(Result::TooLarge, {}, received);
    // A piece cut short (the connection broke, the server is stopping) is no fault of the upload:
    // the answer, if it still arrives, says to go on from what was kept.
    if (read != http::BodyRead::Complete)
        return PieceOutcome{uploadOutcome(Result::BodyUnreadable), received, 503};
    if (received < *total) {
        UploadOutcome progress{Result::Saved, "Received " + std::to_string(received) + " of " +
                                                  std::to_string(*total) + " bytes."};
        return PieceOutcome{std::move(progress), received, 200};
    }

    // Complete: linked under its name only where none exists, then the hidden name goes.
    if (!isReceivableType(target)) {
        if (::unlinkat(dirFd.get(), part.c_str(), 0) != 0)
            platform::log("Upload: the hidden file of a refused upload stays in " + m_folder);
        return done(Result::Unsupported);
    }
    const bool linked = ::linkat(dirFd.get(), part.c_str(), dirFd.get(), name->c_str(), 0) == 0;
    const int error = errno;
    if (::unlinkat(dirFd.get(), part.c_str(), 0) != 0)
        platform::log("Upload: the hidden file of a finished upload stays in " + m_folder);
    if (!linked && error == EEXIST)
        return done(Result::AlreadyExists, urlText(target));
    if (!linked) {
        platform::log("Upload: placing " + target + " failed");
        return done(Result::WriteFailed);
    }
    // Kept private while it was incomplete; readable like any other received file once placed.
    if (::fchmod(fd.get(), S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) != 0)
        platform::log("Upload: " + target + " stays readable by its owner only");
    platform::log("Saved " + target);
    return done(Result::Saved, urlText(target));
}

} // namespace transfer
