#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace browser {

// What an entry of a folder is, as the cells show it and the browser opens it. Decided by the
// name's extension in lower case; a directory is a folder whatever its name.
enum class FileKind { Folder, Pdf, Video, Audio, Image, Other };

FileKind fileKind(const QString &name, bool isDirectory);

// The type label of a list row: "PDF ·", "MP4 ·" for every video, "MP3 ·", the image kinds by
// their own extension ("JPEG ·", "PNG ·", …). A file of no listed kind shows its extension in
// capitals the same way ("TXT ·"), or nothing when it has none; folders show nothing.
QString typeLabel(const QString &name, bool isDirectory);

// A file's size as the list shows it, followed by " ·": megabytes from 1048576 bytes on, else
// kilobytes, one decimal ("1.0 MB ·"; 1048575 bytes are "1024.0 KB ·").
QString sizeText(qint64 bytes);

// A folder's entry count ("1 item", "12 items"), or the text of a folder that cannot be read when
// count is negative.
QString entryCountText(int count);

// Creation dates as the grid ("8 Dec 2026") and the list ("8 Dec 2026, 05:08") show them, in the
// local time zone.
QString gridDateText(const QDateTime &date);
QString listDateText(const QDateTime &date);

} // namespace browser
