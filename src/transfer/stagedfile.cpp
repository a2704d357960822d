#include "transfer/stagedfile.h"

#include "transfer/resumableupload.h"

#include "platform/log.h"
#include "store/folderlisting.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace transfer {
namespace {

QString errorText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

mode_t creationMode() {
    // Files get the usual 0666 less the umask, as a plain create would give them.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Marks the file as held by a living writer. File systems without flock (some network ones)
// refuse; their leftovers are then never taken for abandoned, which is the safe side.
void holdLock(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        platform::log("Staged file: cannot lock it (" + errorText() + "); a leftover of it would be kept");
}

} // namespace

StagedFile::StagedFile(platform::UniqueFd fd, QString folder, QString tempPath)
    : m_fd(std::move(fd))
    , m_folder(std::move(folder))
    , m_tempPath(std::move(tempPath)) {}

StagedFile::StagedFile(StagedFile &&other) noexcept
    : m_buffer(std::move(other.m_buffer))
    , m_buffered(std::exchange(other.m_buffered, 0))
    , m_writeFailed(other.m_writeFailed)
    , m_fd(std::move(other.m_fd))
    , m_folder(std::move(other.m_folder))
    , m_tempPath(std::move(other.m_tempPath))
    , m_size(other.m_size)
    , m_committed(std::exchange(other.m_committed, true)) {}

StagedFile::~StagedFile() {
    discard();
}

platform::Result<StagedFile, StageError> StagedFile::create(const QString &folder) {
    const QByteArray nativeFolder = QFile::encodeName(folder);
    platform::UniqueFd fd(::open(nativeFolder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, creationMode()));
    if (fd) {
        holdLock(fd.get());
        return StagedFile(std::move(fd), folder, QString());
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return platform::fail(StageError::CannotCreate, errorText());
    const QString temp = store::stagingPath(folder);
    fd.reset(
        ::open(QFile::encodeName(temp).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, creationMode()));
    if (!fd)
        return platform::fail(StageError::CannotCreate, errorText());
    holdLock(fd.get());
    return StagedFile(std::move(fd), folder, temp);
}

bool StagedFile::writeAll(const char *data, size_t size) {
    if (!platform::writeAll(m_fd.get(), data, size))
        m_writeFailed = true;
    return !m_writeFailed;
}

bool StagedFile::flush() {
    if (m_writeFailed)
        return false;
    const size_t pending = std::exchange(m_buffered, 0);
    return pending == 0 || writeAll(m_buffer.get(), pending);
}

bool StagedFile::write(const char *data, size_t size) {
    if (!m_fd || m_writeFailed)
        return false;
    m_size += qint64(size);
    if (m_buffered == 0 && size >= bufferSize)
        return writeAll(data, size);
    if (!m_buffer)
        m_buffer.reset(new char[bufferSize]);
    while (size > 0) {
        const size_t part = std::min(size, bufferSize - m_buffered);
        std::memcpy(m_buffer.get() + m_buffered, data, part);
        m_buffered += part;
        data += part;
        size -= part;
        if (m_buffered == bufferSize && !flush())
            return false;
    }
    return true;
}

platform::Result<bool, StageError> StagedFile::linkTo(const QString &path) {
    const QByteArray target = QFile::encodeName(path);
    int result;
    if (m_tempPath.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd.get());
        result = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW);
    } else {
        result = ::link(QFile::encodeName(m_tempPath).constData(), target.constData());
    }
    if (result == 0)
        return true;
    return platform::fail(errno == EEXIST ? StageError::AlreadyExists : StageError::CommitFailed,
                          errorText());
}

platform::Result<bool, StageError> StagedFile::commitNew(const QString &target) {
    if (!m_fd || m_committed)
        return platform::fail(StageError::CommitFailed, QStringLiteral("nothing staged"));
    if (!flush())
        return platform::fail(StageError::WriteFailed, QStringLiteral("writing the file failed"));
    auto linked = linkTo(target);
    if (!linked)
        return linked;
    m_committed = true;
    discard();
    return true;
}

platform::Result<bool, StageError> StagedFile::commitReplacing(const QString &target) {
    if (!m_fd || m_committed)
        return platform::fail(StageError::CommitFailed, QStringLiteral("nothing staged"));
    if (!flush())
        return platform::fail(StageError::WriteFailed, QStringLiteral("writing the file failed"));
    QString named = m_tempPath;
    if (named.isEmpty()) {
        named = store::stagingPath(m_folder);
        if (auto linked = linkTo(named); !linked)
            return linked;
    }
    if (::rename(QFile::encodeName(named).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString error = errorText();
        if (m_tempPath.isEmpty())
            ::unlink(QFile::encodeName(named).constData());
        return platform::fail(StageError::CommitFailed, error);
    }
    m_tempPath.clear(); // the temporary name is now the target
    m_committed = true;
    discard();
    return true;
}

void StagedFile::discard() {
    m_fd.reset();
    if (!m_committed && !m_tempPath.isEmpty())
        ::unlink(QFile::encodeName(m_tempPath).constData());
    if (m_committed && !m_tempPath.isEmpty()) {
        // commitNew linked the hidden name to the target; the hidden name itself goes away.
        ::unlink(QFile::encodeName(m_tempPath).constData());
    }
    m_tempPath.clear();
}

int removeAbandonedStagingFiles(const QString &folder) {
    const QByteArray path = QFile::encodeName(folder);
    platform::UniqueFd dirFd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd)
        return 0;
    const int copy = ::dup(dirFd.get()); // fdopendir takes over the descriptor it is given
    if (copy < 0)
        return 0;
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::fdopendir(copy), &::closedir);
    if (!dir) {
        ::close(copy);
        return 0;
    }
    int removed = 0;
    while (const dirent *entry = ::readdir(dir.get())) {
        // Resumable uploads outlive the process on purpose; they expire on their own clock.
        if (!store::isStagingName(entry->d_name) || isResumableName(entry->d_name))
            continue;
        // O_NOFOLLOW and the type check leave symlinks and anything but plain files alone.
        platform::UniqueFd fd(
            ::openat(dirFd.get(), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue; // a writer is alive (or locks cannot tell): keep it
        if (::unlinkat(dirFd.get(), entry->d_name, 0) == 0)
            ++removed;
    }
    return removed;
}

} // namespace transfer
