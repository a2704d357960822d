#pragma once

#include <QString>
#include <optional>

namespace browser {

// Why a name the user typed cannot name an entry of a folder on this system: empty, "." or
// "..", a slash (it would move the entry into another folder), a NUL character, or over 255
// bytes in the file system's encoding. nullopt when the name is usable. White space is allowed.
std::optional<QString> fileNameProblem(const QString &name);

} // namespace browser
