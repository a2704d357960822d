#include "browser/import/importcopy.h"

#include "platform/fileattributes.h"
#include "platform/log.h"
#include "platform/uniquefd.h"
#include "store/folderlisting.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace browser {

namespace {

using platform::fail;
using CopyResult = platform::Result<qint64, CopyError>;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Removes the temporary file unless it was linked into place.
struct TempFile {
    QByteArray path;
    ~TempFile() {
        if (!path.isEmpty())
            ::unlink(path.constData());
    }
};

// Copies in slices, so a cancel is noticed and progress reported within one slice. The kernel
// copies without passing the bytes through this process where it can (copy_file_range).
CopyResult copyBytes(int from, int to, const std::atomic<bool> &cancel,
                     const std::function<void(qint64)> &progress) {
    constexpr size_t slice = 8 * 1024 * 1024;
    qint64 copied = 0;
    bool inKernel = true;
    std::unique_ptr<char[]> buffer;
    for (;;) {
        if (cancel.load(std::memory_order_relaxed))
            return fail(CopyError::Cancelled, QStringLiteral("cancelled"));
        ssize_t done = -1;
        if (inKernel) {
            done = ::copy_file_range(from, nullptr, to, nullptr, slice, 0);
            if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                inKernel = false;
                continue;
            }
        } else {
            if (!buffer)
                buffer = std::make_unique<char[]>(1024 * 1024);
            done = ::read(from, buffer.get(), 1024 * 1024);
            if (done > 0 && !platform::writeAll(to, buffer.get(), size_t(done)))
                return fail(CopyError::WriteFailed, systemError(errno));
        }
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return fail(CopyError::WriteFailed, systemError(errno));
        }
        if (done == 0)
            return copied;
        copied += done;
        if (progress)
            progress(copied);
    }
}

} // namespace

CopyResult copyAsNewFile(const QString &source, const QString &target, const QDateTime &created,
                         const std::atomic<bool> &cancel, const std::function<void(qint64)> &progress) {
    platform::UniqueFd from(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!from)
        return fail(CopyError::CannotRead, systemError(errno));
    struct stat status {};
    if (::fstat(from.get(), &status) != 0)
        return fail(CopyError::CannotRead, systemError(errno));
    if (!S_ISREG(status.st_mode))
        return fail(CopyError::CannotRead, QStringLiteral("not a regular file"));

    const QByteArray targetPath = QFile::encodeName(target);
    // Checked first so that a duplicate costs no copy; the link below refuses one that appears
    // meanwhile.
    struct stat existing {};
    if (::lstat(targetPath.constData(), &existing) == 0)
        return fail(CopyError::AlreadyExists, QStringLiteral("already exists"));

    TempFile temp{QFile::encodeName(store::stagingPath(QFileInfo(target).path()))};
    platform::UniqueFd to(::open(temp.path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!to) {
        const int error = errno;
        temp.path.clear(); // not ours to remove
        return fail(CopyError::WriteFailed, systemError(error));
    }
    if (::flock(to.get(), LOCK_EX | LOCK_NB) != 0)
        platform::log(QStringLiteral("Import: cannot lock %1 (%2)")
                          .arg(QFile::decodeName(temp.path), systemError(errno)));
    CopyResult copied = copyBytes(from.get(), to.get(), cancel, progress);
    if (!copied)
        return copied;
    if (::fsync(to.get()) != 0)
        return fail(CopyError::WriteFailed, systemError(errno));
    if (!platform::setCreationDate(QFile::decodeName(temp.path), created))
        return fail(CopyError::WriteFailed, QStringLiteral("could not record the creation date"));
    if (::link(temp.path.constData(), targetPath.constData()) != 0) {
        const int error = errno;
        return fail(error == EEXIST ? CopyError::AlreadyExists : CopyError::WriteFailed, systemError(error));
    }
    return copied;
}

CopyResult copyFolderAsNew(const QString &source, const QString &target, const QDateTime &created,
                           const std::atomic<bool> &cancel, const std::function<void(qint64)> &progress,
                           const std::function<bool(const QString &)> &accept) {
    const QByteArray targetPath = QFile::encodeName(target);
    struct stat existing {};
    if (::lstat(targetPath.constData(), &existing) == 0)
        return fail(CopyError::AlreadyExists, QStringLiteral("already exists"));
    const QString staging = store::stagingPath(QFileInfo(target).path());
    if (::mkdir(QFile::encodeName(staging).constData(), 0777) != 0)
        return fail(CopyError::WriteFailed, systemError(errno));
    auto failed = [&staging](CopyResult result) {
        QDir(staging).removeRecursively();
        return result;
    };

    qint64 copied = 0;
    const QDir from(source);
    QDirIterator entries(source, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const QFileInfo info = entries.fileInfo();
        const QString inside = staging + QLatin1Char('/') + from.relativeFilePath(path);
        if (info.isSymLink())
            continue;
        if (info.isDir()) {
            if (!QDir().mkpath(inside))
                return failed(fail(CopyError::WriteFailed, QStringLiteral("cannot create %1").arg(inside)));
            continue;
        }
        if (!info.isFile() || (accept && !accept(path)))
            continue;
        CopyResult file = copyAsNewFile(path, inside, created, cancel, [&](qint64 bytes) {
            if (progress)
                progress(copied + bytes);
        });
        if (!file)
            return failed(fail(file.reason(), info.fileName() + QStringLiteral(": ") + file.message()));
        copied += *file;
    }
    if (cancel.load())
        return failed(fail(CopyError::Cancelled, QStringLiteral("cancelled")));
    if (!platform::setCreationDate(staging, created))
        return failed(fail(CopyError::WriteFailed, QStringLiteral("could not record the creation date")));
    const QByteArray stagingNative = QFile::encodeName(staging);
    if (::renameat2(AT_FDCWD, stagingNative.constData(), AT_FDCWD, targetPath.constData(),
                    RENAME_NOREPLACE) != 0) {
        const int error = errno;
        return failed(
            fail(error == EEXIST ? CopyError::AlreadyExists : CopyError::WriteFailed, systemError(error)));
    }
    return copied;
}

} // namespace browser
