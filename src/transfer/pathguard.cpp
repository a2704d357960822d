#include "transfer/pathguard.h"

#include "http/urlencoding.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <linux/openat2.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace transfer {
namespace {

// A name is used exactly as it arrived, but a client or tool that decodes it once more must not
// find a separator or a dot-dot in it either ("..%2F", "%252e%252e%252f").
bool hidesSeparator(std::string_view name) {
    if (name.find('%') == std::string_view::npos)
        return false; // nothing to decode
    std::string current(name);
    for (int round = 0; round < 4; ++round) {
        std::string decoded = http::percentDecode(current, false);
        if (decoded == current)
            return false;
        if (decoded == "." || decoded == ".." ||
            decoded.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos)
            return true;
        current = std::move(decoded);
    }
    return true;
}

std::optional<QString> canonical(const QString &path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(QFile::encodeName(path).constData(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return QFile::decodeName(resolved.get());
}

} // namespace

bool isSafeEntryName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 255)
        return false;
    for (const char c : name)
        if (c == '/' || c == '\\' || (unsigned char)c < 0x20 || c == 0x7f)
            return false;
    return !hidesSeparator(name);
}

std::optional<QString> safeRelativeFolder(std::string_view folder) {
    QStringList parts;
    const bool safe = http::forEachPiece(folder, '/', [&parts](std::string_view part) {
        if (part.empty())
            return true; // a leading, doubled or trailing slash
        if (!isSafeEntryName(part))
            return false;
        parts << QString::fromUtf8(part.data(), qsizetype(part.size()));
        return true;
    });
    if (!safe)
        return std::nullopt;
    return parts.join('/');
}

std::optional<QString> resolveInside(const QString &root, const QString &path) {
    const std::optional<QString> canonicalRoot = canonical(root);
    const std::optional<QString> canonicalPath = canonical(path);
    if (!canonicalRoot || !canonicalPath)
        return std::nullopt;
    if (*canonicalPath == *canonicalRoot || canonicalPath->startsWith(*canonicalRoot + '/'))
        return canonicalPath;
    return std::nullopt;
}

namespace {

// The document folder opened as a path descriptor, kept for a second by each thread: a download
// then costs one openat2 beneath it instead of opening the folder again each time, and threads
// share nothing. A folder replaced or moved is seen again within that second.
const std::shared_ptr<const platform::UniqueFd> &rootDescriptor(const QString &root) {
    struct Kept {
        QString root;
        std::shared_ptr<const platform::UniqueFd> fd;
        std::chrono::steady_clock::time_point openedAt;
    };
    thread_local Kept kept;
    const auto now = std::chrono::steady_clock::now();
    if (kept.fd && kept.root == root && now - kept.openedAt < std::chrono::seconds(1))
        return kept.fd;
    auto fd = std::make_shared<const platform::UniqueFd>(
        ::open(QFile::encodeName(root).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    kept = *fd ? Kept{root, std::move(fd), now} : Kept{};
    return kept.fd;
}

} // namespace

platform::UniqueFd openInside(const QString &root, const QString &relativePath) {
    return openInside(root, QFile::encodeName(relativePath).toStdString());
}

platform::UniqueFd openInside(const QString &root, const std::string &relativePath) {
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    const std::shared_ptr<const platform::UniqueFd> &rootFd = rootDescriptor(root);
    if (!rootFd)
        return {};
    open_how how{};
    how.flags = flags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, rootFd->get(), relativePath.c_str(), &how, sizeof how);
    if (fd >= 0)
        return platform::UniqueFd(int(fd));
    if (errno != EXDEV && errno != ENOSYS && errno != EPERM)
        return {};
    // The kernel refuses absolute symlinks outright; one that still ends inside is allowed.
    const std::optional<QString> canonicalPath =
        resolveInside(root, root + '/' + QFile::decodeName(QByteArray::fromStdString(relativePath)));
    return platform::UniqueFd(canonicalPath ? ::open(QFile::encodeName(*canonicalPath).constData(), flags)
                                            : -1);
}

bool mayCreateInside(const QString &root, const QString &folder, const QString &name) {
    if (!resolveInside(root, folder))
        return false;
    const QString target = folder + '/' + name;
    struct stat info {};
    if (::lstat(QFile::encodeName(target).constData(), &info) != 0)
        return true; // nothing there yet
    return !S_ISLNK(info.st_mode) || resolveInside(root, target).has_value();
}

} // namespace transfer
