#pragma once

#include "browser/fileitem.h"

#include <QAbstractListModel>
#include <QPointer>
#include <vector>

namespace browser {

class SelectionManager;

// The shown entries (the browser's items) as one list model under both the grid and the list.
// Everything a cell paints comes from the roles below, computed from what the listing read:
// data() never touches the disk. The selection is not owned; while selection mode is on, the
// more button role follows it. GUI thread only.
class FileItemModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        PathRole = Qt::UserRole + 1, // QString, the entry's local path
        UrlRole,                     // QUrl
        KindRole,                    // int, a FileKind
        IsFolderRole,                // bool
        TypeLabelRole,               // QString, "PDF ·"; empty for folders
        SizeTextRole,                // QString: a file's size, a folder's entry count
        GridDetailRole,              // QString: a file's creation date, a folder's entry count
        ListDateRole,                // QString: a file's creation date; empty for folders
        MoreButtonRole,              // int, a MoreButton
        IsLastRole,                  // bool: the last row (it draws no separator)
        VersionRole,                 // qint64: changes when the file at the path is another one
    };
    // What the more button of a cell shows.
    enum MoreButton { MoreMenu, Checked, Unchecked };

    explicit FileItemModel(SelectionManager *selection, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    // Entries are dragged out as file URLs (text/uri-list), to be copied by whatever takes them.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    const std::vector<FileItem> &items() const { return m_items; }
    const FileItem &item(int row) const { return m_items.at(size_t(row)); }
    void setItems(std::vector<FileItem> items);

    bool isSelecting() const { return m_selecting; }
    void setSelecting(bool selecting);
    // Rows showing this path; a path can show once per listing.
    int rowOf(const QString &path) const;

private:
    void selectionChanged();

    std::vector<FileItem> m_items;
    QPointer<SelectionManager> m_selection;
    bool m_selecting = false;
};

} // namespace browser
