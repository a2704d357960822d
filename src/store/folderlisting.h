#pragma once

#include "platform/result.h"

#include <QString>
#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// One entry of a folder as the listing read it: its name and the attributes read once, when the
// folder was listed. Symlinks are followed (a link to a folder lists as a folder); a dangling link
// is described by the link itself.
struct FolderEntry {
    std::string name; // UTF-8; a name that is not valid UTF-8 as Qt decodes file names
    bool isDirectory = false;
    // False when the entry vanished or could not be examined between reading the folder and
    // reading the entry: size and dates are then 0.
    bool attributesRead = false;
    qint64 size = 0;       // bytes; a folder's own directory entry size
    qint64 modifiedMs = 0; // ms since 1970, UTC
    qint64 createdMs = 0;  // ms since 1970, UTC; only when asked for (see ListOptions)
};

struct ListOptions {
    // Creation dates cost an extended-attribute read per entry: the recorded creation date, else
    // the birth time, else the modification time (as platform::readFileAttributes).
    bool creationDates = false;
};

enum class ListError { CannotList };

// Lists one folder, one level deep, in the file system's order. Hidden entries are listed; "." and
// "..", and the temporary names of files being written (isStagingName), are not. Fails only when
// the folder itself cannot be read (the message is the system's). Safe from any thread.
platform::Result<std::vector<FolderEntry>, ListError> listFolder(const QString &folderPath,
                                                                 ListOptions options = {});

// The lower-case (ASCII) extension of a UTF-8 name: the part after the last '.', empty when there
// is none, the name ends with the dot, or the only dot starts the name.
std::string lowerExtension(std::string_view name);

// The hidden names under which files are written before they get their real name
// (".tidewell-….part"). Listings leave them out.
inline constexpr std::string_view stagingPrefix = ".tidewell-";
inline constexpr std::string_view stagingSuffix = ".part";
bool isStagingName(std::string_view name);
// A fresh random staging path in the folder, for a file or folder being written there.
QString stagingPath(const QString &folder);

} // namespace store
