#pragma once

#include "store/filerecord.h"

#include <QString>
#include <QtGlobal>

namespace browser {

// One listed entry: its record (URL and creation date) and what the listing read about it once, so
// that painting a cell never touches the disk.
struct FileItem {
    FileRecord record;
    QString name;
    bool isDirectory = false;
    qint64 size = 0;
    qint64 modifiedMs = 0; // as the listing read it, ms since 1970 UTC
    // A folder's entries, hidden ones counted; negative when the folder cannot be read.
    int entryCount = 0;

    QString path() const { return record.path(); }
};

} // namespace browser
