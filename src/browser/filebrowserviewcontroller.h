#pragma once

#include "browser/browserchrome.h"
#include "browser/fileitem.h"
#include "store/recordsort.h"
#include "transfer/screen/transferviewcontrollerdelegate.h"
#include "ui/screencontroller.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

namespace platform {
class Defaults;
}

namespace browser {

class FileItemModel;
class SelectionManager;
class ViewerFactory;

// What the browser is handed by the code that composes the app. None is owned.
struct FileBrowserEnvironment {
    ViewerFactory &viewers;
    platform::Defaults &defaults; // keeps the view mode and the sort option
    // The document folder, looked up anew at each use; nullopt when there is none.
    std::function<std::optional<QString>()> documentFolder;
    // Whether a file is a picture the image viewer shows. Must read the header only.
    std::function<bool(const QString &path)> isPicture;
};

// The file browser: the entries of the document folder and its sub-folders as a grid or a list,
// search by name as the user types, three sort orders, selection mode, opening entries.
//
// State: allItems is every listed entry of the shown folder in sort order; items (the model) is
// what shows: allItems, or the entries whose name contains the search text (case-insensitively).
// openFolder is the folder shown, none for the document folder. Each load reads the folder from
// disk (store::listFolder) and sorts it; nothing is cached between loads and the model never
// touches the disk. A listing error is logged and leaves the lists as they were.
//
// The controller is QtCore only: the bars and the More menu are plain data (barState, moreMenu)
// that the view renders on stateChanged; opening a file pushes or presents the screens the
// viewer factory makes. GUI thread only.
class FileBrowserViewController : public ui::ScreenController, public transfer::FolderRefreshing {
    Q_OBJECT
public:
    static const QString sortOptionKey; // holds the chosen sort option's menu title
    static const QString viewModeKey;   // holds the chosen presentation's menu icon name
    static QString rootTitle();
    static QString sortOptionTitle(SortOption option);
    static QString viewModeIcon(ViewMode mode);

    explicit FileBrowserViewController(FileBrowserEnvironment environment, QObject *parent = nullptr);
    ~FileBrowserViewController() override;

    FileItemModel *model() const { return m_model; }
    SelectionManager *selection() const { return m_selection; }
    const std::vector<FileItem> &items() const;
    const std::vector<FileItem> &allItems() const { return m_allItems; }
    const std::optional<FileRecord> &openFolder() const { return m_openFolder; }
    // The folder shown: openFolder's path or the document folder.
    QString shownFolder() const;
    ViewMode viewMode() const { return m_viewMode; }
    SortOption sortOption() const { return m_sortOption; }
    bool isSelecting() const { return m_isSelecting; }
    const QList<QUrl> &selectedURLs() const;
    bool allSelected() const;
    QString searchText() const { return m_searchText; }
    const BarState &barState() const { return m_bar; }
    std::vector<MenuEntry> moreMenu() const;

    void viewDidLoad() override;
    // A browser that comes back re-lists the folder it shows.
    void viewWillAppear() override;

    void loadRootFolder();
    void loadFolder(const QUrl &folder);
    void refreshRoot();
    void refreshFolder(const QUrl &folder) override;
    // Re-lists the folder shown (F5).
    void reload();

    void applySearch(const QString &text);
    void setSortOption(SortOption option);
    void showGrid();
    void showList();
    void triggerMenuEntry(const MenuEntry &entry);

    void toggleSelectionMode();
    void selectAll();
    void deselectAll();
    void exitSelectionMode();
    void updateSelectAllButton();

    // A tap on the entry in this row: toggles it in selection mode, else opens it.
    void activateItem(int row);
    void openItem(int row);
    void goUp();
    void showAddSheet();

    // The cell menu's entries and the selection bar's delete button (filebrowseroperations.cpp).
    // Each asks through an alert and raises its signal below; the alert's button runs the
    // operation, which acts on the disk at once and then lists the shown folder again. A failure
    // of the file system is logged and changes nothing else.
    static QString renameTitle(); // the cell menu's Rename entry and the rename button
    static QString deleteTitle(); // the cell menu's Delete entry and the delete buttons
    static QString shareTitle();
    void renameItem(int row);
    // Renames the entry in this row to `newName` in its folder. A name that cannot be a file name
    // here (fileNameProblem) and a name already taken (the same one included) get an alert.
    void performRename(int row, const QString &newName);
    // The rename button's rule: enabled exactly when the field holds a character (a space too).
    static bool nameFieldChanged(const QStringList &fields);
    void confirmDelete(int row);
    // Moves the entry to the trash (a folder with its contents), then lists the folder again.
    void deleteItem(int row);
    void confirmDeleteSelected();
    // Deletes every selected URL in order (one appended twice fails the second time, which is
    // logged), lists the folder again and ends selection mode.
    void deleteSelected();
    void shareItem(int row);
    // Files and folders dropped onto the browser: imported into the shown folder by the add
    // sheet's rules (importRequested).
    void importDropped(const QList<QUrl> &urls);

signals:
    // The bars, the menu, the view mode or the empty state changed.
    void stateChanged();
    // The search text changed by the controller (a load clears it); the view updates its field.
    void searchTextChanged(const QString &text);
    // The view scrolls the shown entries back to the top.
    void scrollToTopRequested();
    void settingsRequested();
    // For the file operations and the add sheet.
    void addSheetRequested(const QUrl &folder);
    void renameRequested(const QUrl &url);
    void deleteRequested(const QList<QUrl> &urls);
    void shareRequested(const QUrl &url);
    // The composing code imports these local files into the folder (the add sheet, shown).
    void importRequested(const QUrl &folder, const QList<QUrl> &urls);

private:
    std::optional<std::vector<FileItem>> listFolder(const QString &path) const;
    void setLists(std::vector<FileItem> all);
    // Sorts allItems by the attributes read again now (a change of order) or as listed (a load).
    void sortAll();
    void sortListed();
    void showFolder(const QString &path, std::optional<FileRecord> folder);
    void clearSearch();
    void updateBar();
    SortOption storedSortOption() const;
    void setViewMode(ViewMode mode);
    QList<QUrl> itemURLs() const;
    bool isDocumentFolder(const QString &path) const;
    const FileItem *itemAt(int row) const;

    FileBrowserEnvironment m_env;
    SelectionManager *m_selection;
    FileItemModel *m_model;
    std::vector<FileItem> m_allItems;
    std::optional<FileRecord> m_openFolder;
    ViewMode m_viewMode = ViewMode::Grid;
    SortOption m_sortOption = SortOption::Time;
    bool m_isSelecting = false;
    QString m_searchText;
    BarState m_bar;
    // After the last entry of a sub-folder is deleted the list stays empty without the empty
    // state; the next load of a folder shows it again where it is empty.
    bool m_emptyStateHidden = false;
};

store::SortKey sortKeyFor(SortOption option);

} // namespace browser
