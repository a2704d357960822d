#pragma once

#include "platform/result.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <functional>

namespace browser {

enum class CopyError { CannotRead, AlreadyExists, WriteFailed, Cancelled };

// Copies the regular file `source` to `target`, a name that must not exist yet. The bytes go to a
// hidden temporary file in the target's folder (store::isStagingName, so listings skip it), which
// gets `created` as its creation date (platform::setCreationDate) and only then is linked under
// the target's name, refusing an existing entry. On any failure, a cancel included, the temporary
// file is removed: the target is either absent or complete with its date. `progress` (may be
// empty) is called with the bytes written so far, on the calling thread. The temporary file is
// held with flock, as the transfer server's are, so no clean-up takes it for abandoned. Safe on
// any thread. Answers the bytes copied; a failure's message says what went wrong.
platform::Result<qint64, CopyError> copyAsNewFile(const QString &source, const QString &target,
                                                  const QDateTime &created, const std::atomic<bool> &cancel,
                                                  const std::function<void(qint64)> &progress);

// Copies the folder `source` with its sub-folders to `target`, a name that must not exist yet,
// taking only the regular files `accept` approves (symlinks are not followed; other files are
// skipped). The tree is built under a hidden temporary name in the target's folder, each file
// by copyAsNewFile, and renamed into place as a whole, refusing an existing entry; a failure or a
// cancel removes it, so the target is either absent or complete. `progress` gets the bytes
// written so far. Answers the bytes copied.
platform::Result<qint64, CopyError> copyFolderAsNew(const QString &source, const QString &target,
                                                    const QDateTime &created, const std::atomic<bool> &cancel,
                                                    const std::function<void(qint64)> &progress,
                                                    const std::function<bool(const QString &path)> &accept);

} // namespace browser
