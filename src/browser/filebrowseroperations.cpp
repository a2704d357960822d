// The file operations of the browser: rename, delete one entry or the selection, share.

#include "browser/filebrowserviewcontroller.h"
#include "browser/fileitemmodel.h"
#include "browser/operations/filename.h"
#include "browser/operations/trash.h"
#include "browser/selectionmanager.h"
#include "platform/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>

namespace browser {

namespace {

ui::AlertSpec problemAlert(const QString &title, const QString &message) {
    ui::AlertSpec alert;
    alert.title = title;
    alert.message = message;
    alert.icon = ui::AlertSpec::Icon::Warning;
    alert.addAction(QStringLiteral("Ok"));
    return alert;
}

} // namespace

QString FileBrowserViewController::renameTitle() {
    return tr("Rename");
}

QString FileBrowserViewController::deleteTitle() {
    return tr("Delete");
}

QString FileBrowserViewController::shareTitle() {
    return tr("Share");
}

const FileItem *FileBrowserViewController::itemAt(int row) const {
    if (row < 0 || row >= int(items().size()))
        return nullptr;
    return &items()[size_t(row)];
}

bool FileBrowserViewController::nameFieldChanged(const QStringList &fields) {
    return !fields.isEmpty() && !fields.first().isEmpty();
}

void FileBrowserViewController::renameItem(int row) {
    const FileItem *item = itemAt(row);
    if (!item)
        return;
    emit renameRequested(item->record.url());
    ui::AlertSpec alert;
    alert.title = tr("Rename");
    alert.message = tr("Enter a new name for \"%1\".").arg(item->name);
    alert.addTextField(tr("Name"), item->record.url().fileName());
    alert.addAction(
        renameTitle(), ui::AlertSpec::Style::Default,
        [this, row](const QStringList &fields) { performRename(row, fields.value(0)); }, &nameFieldChanged);
    alert.addAction(tr("Cancel"), ui::AlertSpec::Style::Cancel);
    showAlert(alert);
}

void FileBrowserViewController::performRename(int row, const QString &newName) {
    const FileItem *item = itemAt(row);
    if (!item)
        return;
    if (const std::optional<QString> problem = fileNameProblem(newName)) {
        showAlert(problemAlert(tr("Invalid Name"), *problem));
        return;
    }
    const QString oldPath = item->path();
    const QString newPath = QFileInfo(oldPath).dir().filePath(newName);
    const QByteArray oldNative = QFile::encodeName(oldPath);
    const QByteArray newNative = QFile::encodeName(newPath);
    // renameat2 with RENAME_NOREPLACE refuses an existing target without a race, which also
    // covers the same name and a symlink that points nowhere.
    const int result =
        ::renameat2(AT_FDCWD, oldNative.constData(), AT_FDCWD, newNative.constData(), RENAME_NOREPLACE);
    int error = result == 0 ? 0 : errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without RENAME_NOREPLACE: check, then rename.
        const QFileInfo target(newPath);
        if (target.exists() || target.isSymLink())
            error = EEXIST;
        else
            error = ::rename(oldNative.constData(), newNative.constData()) == 0 ? 0 : errno;
    }
    if (error != 0) {
        if (error == EEXIST || newName == item->record.url().fileName()) {
            showAlert(problemAlert(QStringLiteral("File exists"),
                                   QStringLiteral("A file with same name already exists.")));
            return;
        }
        platform::log(QStringLiteral("Could not rename %1 to %2: %3")
                          .arg(oldPath, newName, QString::fromLocal8Bit(std::strerror(error))));
        return;
    }
    // Like a delete, the whole folder shows again; the search text stays in its field.
    loadFolder(QUrl::fromLocalFile(shownFolder()));
    updateBar();
}

void FileBrowserViewController::confirmDelete(int row) {
    const FileItem *item = itemAt(row);
    if (!item)
        return;
    emit deleteRequested({item->record.url()});
    ui::AlertSpec alert;
    alert.title = tr("Delete \"%1\"?").arg(item->name);
    alert.message = item->isDirectory ? tr("The folder and everything in it will be moved to the trash.")
                                      : tr("The file will be moved to the trash.");
    alert.addAction(deleteTitle(), ui::AlertSpec::Style::Destructive,
                    [this, row](const QStringList &) { deleteItem(row); });
    alert.addAction(tr("Cancel"), ui::AlertSpec::Style::Cancel);
    showAlert(alert);
}

void FileBrowserViewController::deleteItem(int row) {
    const FileItem *item = itemAt(row);
    if (!item)
        return;
    const QString path = item->path();
    if (const std::optional<QString> error = moveToTrashOrRemove(path)) {
        platform::log(*error);
        return;
    }
    const QString shown = shownFolder();
    // The whole folder shows again, as the disk holds it; the search text stays in its field.
    loadFolder(QUrl::fromLocalFile(shown));
    m_emptyStateHidden = !isDocumentFolder(shown);
    updateBar();
}

void FileBrowserViewController::confirmDeleteSelected() {
    if (!m_isSelecting || m_selection->isEmpty())
        return;
    QList<QUrl> unique;
    for (const QUrl &url : m_selection->selectedURLs()) {
        if (!unique.contains(url))
            unique.append(url);
    }
    emit deleteRequested(unique);
    ui::AlertSpec alert;
    alert.title = unique.size() == 1 ? tr("Delete 1 item?") : tr("Delete %1 items?").arg(unique.size());
    alert.message = tr("The selected items will be moved to the trash.");
    alert.addAction(tr("Cancel"), ui::AlertSpec::Style::Cancel);
    alert.addAction(deleteTitle(), ui::AlertSpec::Style::Destructive,
                    [this](const QStringList &) { deleteSelected(); });
    showAlert(alert);
}

void FileBrowserViewController::deleteSelected() {
    const QList<QUrl> urls = m_selection->selectedURLs();
    for (const QUrl &url : urls) {
        if (const std::optional<QString> error = moveToTrashOrRemove(url.toLocalFile()))
            platform::log(*error);
    }
    m_selection->clear();
    m_allItems.clear();
    m_model->setItems({});
    loadFolder(QUrl::fromLocalFile(shownFolder()));
    exitSelectionMode();
}

void FileBrowserViewController::shareItem(int row) {
    if (const FileItem *item = itemAt(row))
        emit shareRequested(item->record.url());
}

void FileBrowserViewController::importDropped(const QList<QUrl> &urls) {
    QList<QUrl> local;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            local << url;
        else
            platform::log(QStringLiteral("Only local files can be imported: %1").arg(url.toString()));
    }
    if (!local.isEmpty() && !m_isSelecting)
        emit importRequested(QUrl::fromLocalFile(shownFolder()), local);
}

} // namespace browser
