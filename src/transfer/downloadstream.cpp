#include "transfer/downloadstream.h"

#include "platform/log.h"
#include "transfer/urlencoding.h"
#include "transfer/wire.h"

#include <QMimeDatabase>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace transfer {
namespace {

bool streamWithRead(int fd, uint64_t offset, uint64_t length, const http::ChunkWriter &write);

} // namespace

// Quotes, backslashes and control characters never reach the header line as they are.
std::string dispositionValue(const QString &name) {
    std::string plain;
    for (const QChar c : name)
        plain +=
            (c.unicode() < 0x20 || c.unicode() >= 0x7f || c == '"' || c == '\\') ? '_' : char(c.unicode());
    return std::string(wire::dispositionPrefix) + plain + std::string(wire::dispositionSuffix) +
           "; filename*=UTF-8''" + http::encodeComponent(name.toStdString());
}

// The content type for a file name's extension, remembered per extension: the MIME database
// serialises its lookups, which would show on busy servers.
std::string contentTypeFor(const std::string &name) {
    static std::mutex mutex;
    static std::map<std::string, std::string> known;
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos
                                ? std::string()
                                : QString::fromStdString(name.substr(dot + 1)).toLower().toStdString();
    std::lock_guard lock(mutex);
    auto it = known.find(ext);
    if (it == known.end()) {
        static const QMimeDatabase database;
        const QString type =
            database.mimeTypeForFile("file." + QString::fromStdString(ext), QMimeDatabase::MatchExtension)
                .name();
        it = known.emplace(ext, type.toStdString()).first;
    }
    return it->second;
}

namespace {

bool streamWithRead(int fd, uint64_t offset, uint64_t length, const http::ChunkWriter &write) {
    constexpr size_t chunk = 256 * 1024;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    while (length > 0) {
        const ssize_t got =
            ::pread(fd, buffer.get(), size_t(std::min<uint64_t>(chunk, length)), off_t(offset));
        if (got <= 0) {
            platform::log(QStringLiteral("Download: reading the file failed"));
            return false;
        }
        if (!write(buffer.get(), size_t(got)))
            return false;
        offset += uint64_t(got);
        length -= uint64_t(got);
    }
    return true;
}

} // namespace

// Streams a file from an open descriptor. The file is mapped a window at a time and handed to the
// socket from the page cache, which saves the copy a read into a buffer costs; at most one window
// is mapped, so memory stays flat whatever the size. Where mapping fails, pread takes over. The
// descriptor closes with the last copy of the provider.
http::BodyProvider fileProvider(platform::UniqueFd fd) {
    auto handle = std::make_shared<const platform::UniqueFd>(std::move(fd));
    return [handle](uint64_t offset, uint64_t length, const http::ChunkWriter &write) {
        constexpr uint64_t window = 4 * 1024 * 1024;
        static const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
        // Small pieces cost less through one pread than through mapping and unmapping.
        if (length < 1024 * 1024)
            return streamWithRead(handle->get(), offset, length, write);
        while (length > 0) {
            const uint64_t start = offset / page * page;
            const uint64_t span = std::min(window, offset - start + length);
            void *mapped = ::mmap(nullptr, span, PROT_READ, MAP_SHARED, handle->get(), off_t(start));
            if (mapped == MAP_FAILED)
                return streamWithRead(handle->get(), offset, length, write);
            // Advice values are not flags: each one is its own call. Advice is only a hint, so a
            // refusal changes nothing.
            ::madvise(mapped, span, MADV_SEQUENTIAL);
            ::madvise(mapped, span, MADV_WILLNEED);
            const uint64_t skip = offset - start;
            const bool written = write(static_cast<const char *>(mapped) + skip, size_t(span - skip));
            ::munmap(mapped, span);
            if (!written)
                return false;
            offset += span - skip;
            length -= span - skip;
        }
        return true;
    };
}

} // namespace transfer
