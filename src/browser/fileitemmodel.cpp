#include "browser/fileitemmodel.h"

#include "browser/filekind.h"
#include "browser/selectionmanager.h"
#include <QMimeData>

namespace browser {

FileItemModel::FileItemModel(SelectionManager *selection, QObject *parent)
    : QAbstractListModel(parent)
    , m_selection(selection) {
    if (selection)
        connect(selection, &SelectionManager::changed, this, &FileItemModel::selectionChanged);
}

int FileItemModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant FileItemModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const FileItem &entry = m_items[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return entry.name;
    case PathRole:
        return entry.path();
    case UrlRole:
        return entry.record.url();
    case KindRole:
        return int(fileKind(entry.name, entry.isDirectory));
    case IsFolderRole:
        return entry.isDirectory;
    case TypeLabelRole:
        return typeLabel(entry.name, entry.isDirectory);
    case SizeTextRole:
        return entry.isDirectory ? entryCountText(entry.entryCount) : sizeText(entry.size);
    case GridDetailRole:
        return entry.isDirectory ? entryCountText(entry.entryCount) : gridDateText(entry.record.timestamp());
    case ListDateRole:
        return entry.isDirectory ? QString() : listDateText(entry.record.timestamp());
    case MoreButtonRole:
        if (!m_selecting || !m_selection)
            return int(MoreMenu);
        return int(m_selection->contains(entry.record.url()) ? Checked : Unchecked);
    case IsLastRole:
        return index.row() == rowCount() - 1;
    case VersionRole:
        return entry.record.timestamp().toMSecsSinceEpoch() ^ (entry.size << 20);
    default:
        return {};
    }
}

QHash<int, QByteArray> FileItemModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(PathRole, "path");
    names.insert(UrlRole, "url");
    names.insert(KindRole, "kind");
    names.insert(IsFolderRole, "isFolder");
    names.insert(TypeLabelRole, "typeLabel");
    names.insert(SizeTextRole, "sizeText");
    names.insert(GridDetailRole, "gridDetail");
    names.insert(ListDateRole, "listDate");
    names.insert(MoreButtonRole, "moreButton");
    names.insert(IsLastRole, "isLast");
    names.insert(VersionRole, "version");
    return names;
}

void FileItemModel::setItems(std::vector<FileItem> items) {
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}

void FileItemModel::setSelecting(bool selecting) {
    if (m_selecting == selecting)
        return;
    m_selecting = selecting;
    selectionChanged();
}

int FileItemModel::rowOf(const QString &path) const {
    for (size_t row = 0; row < m_items.size(); ++row) {
        if (m_items[row].path() == path)
            return int(row);
    }
    return -1;
}

void FileItemModel::selectionChanged() {
    if (m_items.empty())
        return;
    emit dataChanged(index(0), index(rowCount() - 1), {MoreButtonRole});
}

Qt::ItemFlags FileItemModel::flags(const QModelIndex &index) const {
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList FileItemModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData *FileItemModel::mimeData(const QModelIndexList &indexes) const {
    QList<QUrl> urls;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && index.row() < int(m_items.size()))
            urls << m_items[size_t(index.row())].record.url();
    }
    if (urls.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions FileItemModel::supportedDragActions() const {
    return Qt::CopyAction;
}

} // namespace browser
