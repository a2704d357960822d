#pragma once

#include <QString>
#include <QUrl>
#include <memory>
#include <vector>

class QMimeData;

namespace browser {

// The share menu of one file, as plain data: a title chosen by the file's MIME type and the four
// ways to hand the file out on the desktop.
struct ShareMenu {
    enum class Action { Open, ShowInFolder, Copy, Mail };
    struct Entry {
        Action action;
        QString title;
        QString accessibleName;
    };

    QString title; // empty for a file of no known type
    std::vector<Entry> entries;
};

// The menu for the entry at this file URL. The title: "image/…" types, "video/…" types and PDF
// documents (application/pdf) each have theirs, any other known type a fourth one; a file whose
// type is not known (application/octet-stream by name and content) gets none. Folders have no
// mail entry. Reads at most the file's first bytes.
ShareMenu shareMenuFor(const QUrl &file);

// The clipboard contents that let a file manager paste a copy of the file: text/uri-list, and the
// GNOME (x-special/gnome-copied-files) and KDE (application/x-kde-cutselection) variants that say
// "copy", not "cut". The caller owns the result.
std::unique_ptr<QMimeData> fileClipboardData(const QUrl &file);

// What the share menu's entries do on this desktop, behind an interface so that tests launch
// nothing. Each answers whether it could be started.
class ShareLauncher {
public:
    virtual ~ShareLauncher() = default;
    // Opens the file with the desktop's default application for its type.
    virtual bool openWithDefault(const QUrl &file) = 0;
    // org.freedesktop.FileManager1.ShowItems over D-Bus, else opens the containing folder.
    virtual bool showInFileManager(const QUrl &file) = 0;
    virtual bool setClipboard(std::unique_ptr<QMimeData> data) = 0;
    // xdg-email --attach with the file.
    virtual bool mail(const QUrl &file) = 0;
};

// Carries out one entry of the menu; false (and a log line) when it could not be started.
bool runShareAction(ShareMenu::Action action, const QUrl &file, ShareLauncher &launcher);

} // namespace browser
