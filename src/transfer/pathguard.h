#pragma once

#include "platform/uniquefd.h"

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace transfer {

// Names and folders from requests are checked here before they touch the file system: nothing a
// request names may reach outside the document folder.

// One entry name: refused when empty, "." or "..", longer than 255 bytes, or holding a slash, a
// backslash, a NUL or another control character, or a name that percent-decodes (once or more)
// to a slash, backslash, NUL, "." or ".." ("..%2F", "%5C", "%252e%252e%252f").
bool isSafeEntryName(std::string_view name);

// A folder relative to the document folder, as "a/b" ("" for the top). Components are separated
// by '/'; empty ones (a leading, doubled or trailing slash) are ignored; every other component
// must be a safe entry name. nullopt when refused.
std::optional<QString> safeRelativeFolder(std::string_view folder);

// The canonical form of `path` (symlinks resolved) when it exists and lies inside the canonical
// form of `root` (or is the root itself); nullopt otherwise.
std::optional<QString> resolveInside(const QString &root, const QString &path);

// Opens the file at `relativePath` below `root` for reading (O_NONBLOCK, so a FIFO cannot block)
// without ever leaving the root: the kernel resolves beneath the root (openat2 RESOLVE_BENEATH), and
// where it cannot tell (an absolute symlink, an older kernel) the canonical path is checked instead.
// Returns the descriptor, or none when the file is missing, unreadable or outside.
platform::UniqueFd openInside(const QString &root, const QString &relativePath);
// The same for a relative path in the file system's encoding (UTF-8).
platform::UniqueFd openInside(const QString &root, const std::string &relativePath);

// For a name that is about to be created in `folder`: the folder must resolve inside the root,
// and an existing entry of that name that is a symlink must resolve inside it too.
bool mayCreateInside(const QString &root, const QString &folder, const QString &name);

} // namespace transfer
