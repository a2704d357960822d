#pragma once

#include "platform/result.h"
#include "platform/uniquefd.h"

#include <QString>
#include <memory>
#include <string_view>

namespace transfer {

enum class StageError { CannotCreate, WriteFailed, AlreadyExists, CommitFailed };

// A file written in the folder it will live in and put under its name only when complete. On
// Linux it starts as an unnamed O_TMPFILE, so an interrupted write leaves nothing behind; where the
// file system lacks O_TMPFILE a hidden temporary name is used (store::isStagingName) and removed on failure.
// Until a commit succeeds the target name is never touched. The writer holds an exclusive flock on
// its file for its whole life, so a hidden name whose lock can be taken belongs to a process that
// died (removeAbandonedStagingFiles). Not thread-safe; one writer.
class StagedFile {
public:
    static platform::Result<StagedFile, StageError> create(const QString &folder);
    StagedFile(StagedFile &&other) noexcept;
    StagedFile &operator=(StagedFile &&other) = delete;
    ~StagedFile(); // discards the data unless committed

    // Writes go through a 64 KiB buffer; a failure may show here or at the commit.
    bool write(const char *data, size_t size);
    qint64 size() const { return m_size; }

    // Gives the data the name `target` (in the same folder) only when no entry of that name exists;
    // AlreadyExists otherwise. Safe against a race with another commit of the same name.
    platform::Result<bool, StageError> commitNew(const QString &target);
    // Gives the data the name `target`, replacing an existing file atomically.
    platform::Result<bool, StageError> commitReplacing(const QString &target);

private:
    StagedFile(platform::UniqueFd fd, QString folder, QString tempPath);
    platform::Result<bool, StageError> linkTo(const QString &path);
    bool writeAll(const char *data, size_t size);
    bool flush();
    void discard();

    // Larger writes are slower here: copies that fit the CPU caches win (measured with dd).
    static constexpr size_t bufferSize = 64 * 1024;
    std::unique_ptr<char[]> m_buffer;
    size_t m_buffered = 0;
    bool m_writeFailed = false;

    platform::UniqueFd m_fd;
    QString m_folder;
    QString m_tempPath; // empty for an unnamed O_TMPFILE
    qint64 m_size = 0;
    bool m_committed = false;
};

// Removes the hidden temporary files (store::isStagingName) directly in `folder` that no living
// writer holds: what a process killed mid-write left behind. Files of a writer still at work, of
// other types or behind symlinks, and those of resumable uploads, are left alone. Returns how many were
// removed.
int removeAbandonedStagingFiles(const QString &folder);

} // namespace transfer
