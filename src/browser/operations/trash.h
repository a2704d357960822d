#pragma once

#include <QString>
#include <optional>

namespace browser {

// Deletes the entry at `path` (a folder with everything in it) by moving it to the desktop's
// trash (the freedesktop trash), where a person can restore it. Only when no trash takes it is
// the entry removed outright. Answers nullopt on success, else why nothing (or not everything)
// could be deleted. A symlink is trashed or removed itself, never what it points to.
std::optional<QString> moveToTrashOrRemove(const QString &path);

} // namespace browser
