#include "browser/filebrowserviewcontroller.h"

#include "browser/fileitemmodel.h"
#include "browser/filekind.h"
#include "browser/selectionmanager.h"
#include "browser/viewerfactory.h"
#include "platform/defaults.h"
#include "platform/log.h"
#include "store/folderlisting.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace browser {

const QString FileBrowserViewController::sortOptionKey = QStringLiteral("FileBrowserSortOption");
const QString FileBrowserViewController::viewModeKey = QStringLiteral("FileBrowserViewMode");

QString FileBrowserViewController::rootTitle() {
    return tr("Files");
}

QString FileBrowserViewController::sortOptionTitle(SortOption option) {
    switch (option) {
    case SortOption::Date:
        return tr("Date Modified");
    case SortOption::Size:
        return tr("Size");
    case SortOption::Time:
        break;
    }
    return tr("Date Created");
}

QString FileBrowserViewController::viewModeIcon(ViewMode mode) {
    return mode == ViewMode::List ? QStringLiteral("list") : QStringLiteral("grid");
}

store::SortKey sortKeyFor(SortOption option) {
    switch (option) {
    case SortOption::Date:
        return store::SortKey::ModificationDate;
    case SortOption::Size:
        return store::SortKey::Size;
    case SortOption::Time:
        break;
    }
    return store::SortKey::CreationDate;
}

FileBrowserViewController::FileBrowserViewController(FileBrowserEnvironment environment, QObject *parent)
    : ScreenController(parent)
    , m_env(std::move(environment))
    , m_selection(new SelectionManager(this))
    , m_model(new FileItemModel(m_selection, this)) {
    setTitle(rootTitle());
}

FileBrowserViewController::~FileBrowserViewController() = default;

const std::vector<FileItem> &FileBrowserViewController::items() const {
    return m_model->items();
}

const QList<QUrl> &FileBrowserViewController::selectedURLs() const {
    return m_selection->selectedURLs();
}

bool FileBrowserViewController::allSelected() const {
    return m_selection->allSelected();
}

QString FileBrowserViewController::shownFolder() const {
    if (m_openFolder)
        return m_openFolder->path();
    return m_env.documentFolder().value_or(QString());
}

bool FileBrowserViewController::isDocumentFolder(const QString &path) const {
    const std::optional<QString> documents = m_env.documentFolder();
    return documents && QDir::cleanPath(*documents) == QDir::cleanPath(path);
}

void FileBrowserViewController::viewDidLoad() {
    m_sortOption = storedSortOption();
    m_viewMode = m_env.defaults.stringValue(viewModeKey) == viewModeIcon(ViewMode::List) ? ViewMode::List
                                                                                         : ViewMode::Grid;
    loadRootFolder();
    updateBar();
}

void FileBrowserViewController::viewWillAppear() {
    ScreenController::viewWillAppear();
    reload();
}

SortOption FileBrowserViewController::storedSortOption() const {
    const QString stored = m_env.defaults.stringValue(sortOptionKey);
    if (stored == sortOptionTitle(SortOption::Size))
        return SortOption::Size;
    if (stored == sortOptionTitle(SortOption::Date))
        return SortOption::Date;
    return SortOption::Time;
}

std::optional<std::vector<FileItem>> FileBrowserViewController::listFolder(const QString &path) const {
    auto listing = store::listFolder(path, store::ListOptions{true});
    if (!listing) {
        platform::log(QStringLiteral("Could not list the folder %1: %2").arg(path, listing.message()));
        return std::nullopt;
    }
    std::vector<FileItem> items;
    items.reserve(listing->size());
    const QDir folder(path);
    for (const store::FolderEntry &entry : *listing) {
        // An entry that vanished between reading the folder and reading it has no dates.
        if (!entry.attributesRead)
            continue;
        const QString name = QString::fromStdString(entry.name);
        const QString entryPath = folder.filePath(name);
        int count = 0;
        if (entry.isDirectory) {
            const auto children = store::listFolder(entryPath);
            count = children ? int(children->size()) : -1;
        }
        items.push_back(FileItem{FileRecord(QUrl::fromLocalFile(entryPath),
                                            QDateTime::fromMSecsSinceEpoch(entry.createdMs, Qt::UTC)),
                                 name, entry.isDirectory, entry.size, entry.modifiedMs, count});
    }
    return items;
}

void FileBrowserViewController::sortAll() {
    std::vector<FileRecord> records;
    records.reserve(m_allItems.size());
    QHash<QString, size_t> positions;
    for (size_t i = 0; i < m_allItems.size(); ++i) {
        records.push_back(m_allItems[i].record);
        positions.insert(m_allItems[i].path(), i);
    }
    store::sortRecords(records, sortKeyFor(m_sortOption));
    std::vector<FileItem> sorted;
    sorted.reserve(m_allItems.size());
    for (const FileRecord &record : records)
        sorted.push_back(std::move(m_allItems[positions.value(record.path())]));
    m_allItems = std::move(sorted);
}

void FileBrowserViewController::sortListed() {
    // The listing has just read every entry's attributes: sorting on them is as fresh as reading
    // them again, and halves the work of a load.
    auto key = [option = m_sortOption](const FileItem &item) {
        switch (option) {
        case SortOption::Date:
            return item.modifiedMs;
        case SortOption::Size:
            return item.size;
        case SortOption::Time:
            break;
        }
        return item.record.timestamp().toMSecsSinceEpoch();
    };
    std::stable_sort(m_allItems.begin(), m_allItems.end(),
                     [&key](const FileItem &a, const FileItem &b) { return key(a) < key(b); });
}

void FileBrowserViewController::setLists(std::vector<FileItem> all) {
    m_allItems = std::move(all);
    sortListed();
    m_model->setItems(m_allItems);
}

void FileBrowserViewController::loadFolder(const QUrl &folder) {
    std::optional<std::vector<FileItem>> listed = listFolder(folder.toLocalFile());
    if (!listed)
        return;
    setLists(std::move(*listed));
}

void FileBrowserViewController::loadRootFolder() {
    const std::optional<QString> documents = m_env.documentFolder();
    if (!documents) {
        platform::log(QStringLiteral("The document folder is not available"));
        return;
    }
    loadFolder(QUrl::fromLocalFile(*documents));
}

void FileBrowserViewController::showFolder(const QString &path, std::optional<FileRecord> folder) {
    m_isSelecting = false;
    m_selection->clear();
    m_model->setSelecting(false);
    m_openFolder = isDocumentFolder(path) ? std::nullopt : std::move(folder);
    m_emptyStateHidden = false;
    m_allItems.clear();
    m_model->setItems({});
    clearSearch();
    m_sortOption = storedSortOption();
    loadFolder(QUrl::fromLocalFile(path));
    updateBar();
}

void FileBrowserViewController::refreshRoot() {
    const std::optional<QString> documents = m_env.documentFolder();
    if (!documents) {
        platform::log(QStringLiteral("The document folder is not available"));
        return;
    }
    showFolder(*documents, std::nullopt);
}

void FileBrowserViewController::refreshFolder(const QUrl &folder) {
    // Only the folder shown is listed again: another one shows when the user goes there, and
    // the title and the entries always name the same folder.
    const QString path = folder.toLocalFile();
    if (QDir::cleanPath(path) != QDir::cleanPath(shownFolder())) {
        platform::log(QStringLiteral("Not shown, so not listed again: %1").arg(path));
        return;
    }
    reload();
}

void FileBrowserViewController::reload() {
    showFolder(shownFolder(), m_openFolder);
}

void FileBrowserViewController::clearSearch() {
    if (m_searchText.isEmpty())
        return;
    m_searchText.clear();
    emit searchTextChanged(m_searchText);
}

void FileBrowserViewController::applySearch(const QString &text) {
    m_searchText = text;
    if (text.isEmpty()) {
        m_model->setItems(m_allItems);
    } else {
        const QString needle = text.toLower();
        std::vector<FileItem> matching;
        for (const FileItem &item : m_allItems) {
            if (item.name.toLower().contains(needle))
                matching.push_back(item);
        }
        m_model->setItems(std::move(matching));
    }
    if (m_isSelecting)
        updateSelectAllButton();
    updateBar();
}

void FileBrowserViewController::setSortOption(SortOption option) {
    m_sortOption = option;
    m_env.defaults.setValue(sortOptionKey, sortOptionTitle(option));
    // Both lists take the new order, so clearing a search shows the order the menu names.
    sortAll();
    applySearch(m_searchText);
}

void FileBrowserViewController::setViewMode(ViewMode mode) {
    m_env.defaults.setValue(viewModeKey, viewModeIcon(mode));
    m_viewMode = mode;
    emit scrollToTopRequested();
    updateBar();
}

void FileBrowserViewController::showGrid() {
    setViewMode(ViewMode::Grid);
}

void FileBrowserViewController::showList() {
    setViewMode(ViewMode::List);
}

std::vector<MenuEntry> FileBrowserViewController::moreMenu() const {
    using Action = MenuEntry::Action;
    MenuEntry sortBy{Action::SortBy, tr("Sort by"), QStringLiteral("sort")};
    for (SortOption option : {SortOption::Time, SortOption::Date, SortOption::Size})
        sortBy.children.push_back(
            {Action::Sort, sortOptionTitle(option), {}, m_sortOption == option, option});
    return {
        {Action::Select, tr("Select"), QStringLiteral("select")},
        {Action::Grid, tr("Grid"), viewModeIcon(ViewMode::Grid), m_viewMode == ViewMode::Grid},
        {Action::List, tr("List"), viewModeIcon(ViewMode::List), m_viewMode == ViewMode::List},
        sortBy,
        {Action::Settings, tr("Settings"), QStringLiteral("settings")},
    };
}

void FileBrowserViewController::triggerMenuEntry(const MenuEntry &entry) {
    switch (entry.action) {
    case MenuEntry::Action::Select:
        toggleSelectionMode();
        break;
    case MenuEntry::Action::Grid:
        showGrid();
        break;
    case MenuEntry::Action::List:
        showList();
        break;
    case MenuEntry::Action::Sort:
        setSortOption(entry.sortOption);
        break;
    case MenuEntry::Action::Settings:
        emit settingsRequested();
        break;
    case MenuEntry::Action::SortBy:
        break;
    }
}

QList<QUrl> FileBrowserViewController::itemURLs() const {
    QList<QUrl> urls;
    for (const FileItem &item : items())
        urls.append(item.record.url());
    return urls;
}

void FileBrowserViewController::toggleSelectionMode() {
    m_selection->clear();
    m_isSelecting = !m_isSelecting;
    m_model->setSelecting(m_isSelecting);
    updateBar();
}

void FileBrowserViewController::updateSelectAllButton() {
    updateBar();
}

void FileBrowserViewController::selectAll() {
    if (!m_isSelecting)
        return;
    m_selection->selectAll(itemURLs());
    updateBar();
}

void FileBrowserViewController::deselectAll() {
    m_selection->clear();
    updateBar();
}

void FileBrowserViewController::exitSelectionMode() {
    m_isSelecting = false;
    m_selection->clear();
    m_model->setSelecting(false);
    updateBar();
}

void FileBrowserViewController::updateBar() {
    BarState bar;
    const bool atTop = isDocumentFolder(shownFolder());
    bar.title = atTop || !m_openFolder ? rootTitle() : m_openFolder->url().fileName();
    bar.backVisible = !atTop;
    if (m_isSelecting) {
        bar.leftItem = m_selection->containsAll(itemURLs()) ? BarState::LeftItem::DeselectAll
                                                            : BarState::LeftItem::SelectAll;
        bar.rightItem = BarState::RightItem::Cancel;
        bar.addButtonVisible = false;
        bar.selectionBarVisible = true;
        bar.deleteSelectedEnabled = !m_selection->isEmpty();
        bar.tabBarVisible = false;
    }
    bar.emptyStateVisible = m_allItems.empty() && !m_emptyStateHidden;
    bar.emptyStateOffset = bar.emptyStateVisible ? 240 : 105;
    m_bar = bar;
    setTitle(bar.title);
    emit stateChanged();
}

void FileBrowserViewController::activateItem(int row) {
    if (row < 0 || row >= int(items().size()))
        return;
    if (!m_isSelecting) {
        openItem(row);
        return;
    }
    m_selection->toggle(items()[size_t(row)].record.url());
    updateSelectAllButton();
}

void FileBrowserViewController::openItem(int row) {
    if (row < 0 || row >= int(items().size()))
        return;
    const FileItem item = items()[size_t(row)];
    platform::log(QStringLiteral("Opening %1").arg(item.name));
    switch (fileKind(item.name, item.isDirectory)) {
    case FileKind::Folder:
        showFolder(item.path(), item.record);
        return;
    case FileKind::Pdf:
        if (ui::ScreenController *reader = m_env.viewers.pdfReader(item.path()))
            push(reader);
        else
            platform::log(QStringLiteral("Could not open the PDF document %1").arg(item.path()));
        return;
    case FileKind::Video:
        // Videos are not played; the share menu offers to open them with another app.
        platform::log(QStringLiteral("Videos are not played here: %1").arg(item.name));
        return;
    default:
        break;
    }
    if (m_env.isPicture && m_env.isPicture(item.path()))
        present(m_env.viewers.imageViewer(item.path()), ui::Presentation::fullScreen());
    else
        platform::log(QStringLiteral("Not a picture that can be shown: %1").arg(item.path()));
}

void FileBrowserViewController::goUp() {
    const QString shown = shownFolder();
    if (!m_openFolder || isDocumentFolder(shown))
        return;
    const QString parent = QFileInfo(shown).dir().path();
    showFolder(parent, FileRecord(QUrl::fromLocalFile(parent), m_openFolder->timestamp()));
}

void FileBrowserViewController::showAddSheet() {
    emit addSheetRequested(QUrl::fromLocalFile(shownFolder()));
}

} // namespace browser
