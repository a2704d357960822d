#pragma once

#include "platform/result.h"

#include <QString>
#include <string>
#include <string_view>

namespace transfer {

class ListThumbnailer;

enum class ListError { CannotList };

// Builds the list reply for one folder: {"files": [entry...], "folder": text, "path": text}, where
// each entry holds "thumbnail", "kind", "name", "path" (both the entry's name), "url" (its absolute
// file URL) and, beyond those, "directory" (bool), "size" (bytes) and "modified" (ms since the
// epoch) so that a page can tell folders apart and show sizes. Entries come in the file system's
// order, hidden ones included (store::listFolder). Image thumbnails are made in parallel on the global thread
// pool.
class FolderLister {
public:
    explicit FolderLister(const ListThumbnailer &thumbnailer)
        : m_thumbnailer(thumbnailer) {}

    // Without image thumbnails the reply is made at once: image entries carry no thumbnail (the
    // page asks the thumbnail route for them), every other entry names its icon ("icon": "pdf",
    // "mp4", "mp3", "zip" or "other") instead of inlining it, and the reply's "icons" object maps
    // each icon named to its thumbnail text, once.
    platform::Result<std::string, ListError>
    list(const QString &folderPath, const std::string &requestedFolder, bool imageThumbnails = true) const;

private:
    const ListThumbnailer &m_thumbnailer;
};

// Appends text as a JSON string literal (with quotes) to out.
void appendJsonString(std::string &out, std::string_view utf8);

} // namespace transfer
