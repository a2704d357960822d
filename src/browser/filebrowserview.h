#pragma once

#include <QUrl>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;
class ZEPThemeManager;

namespace browser {

class CellThumbnails;
class FileBrowserViewController;
class FileGridDelegate;
class FileListDelegate;
class ShareLauncher;

// The view of the file browser: a bar (the back button going up a folder, the search field, the
// More button; in selection mode the select-all and cancel buttons), the grid and the list over the
// controller's one model, the empty state, the floating add button and the selection bar. It
// renders the controller's bar state and menu on stateChanged and passes every action back.
//
// Keyboard: arrows move, Enter opens, Backspace or Alt+Up goes up, Ctrl+F focuses the search (Escape
// in it clears it), F5 reloads; in selection mode Space toggles the current entry and Ctrl+A selects
// all. The context-menu key or a right click opens an entry's Rename / Delete / Share menu. Entries
// drag out as file URLs; files dropped from the desktop are handed to the controller to import.
//
// Thumbnails are asked for by the cells as they paint; after every scroll, resize or reload the
// requests of entries no longer on screen are cancelled. The controller, the thumbnails and the theme
// are not owned and outlive the view. GUI thread only.
class FileBrowserView : public QWidget {
    Q_OBJECT
public:
    FileBrowserView(FileBrowserViewController *controller, CellThumbnails &thumbnails,
                    const ZEPThemeManager &theme, QWidget *parent = nullptr);
    ~FileBrowserView() override;

    QListView *gridView() const { return m_grid; }
    QListView *listView() const { return m_list; }
    QListView *currentView() const;
    QLineEdit *searchField() const { return m_search; }
    QToolButton *backButton() const { return m_back; }
    QToolButton *moreButton() const { return m_more; }
    QMenu *moreMenu() const { return m_moreMenu; }
    QPushButton *selectAllButton() const { return m_selectAll; }
    QPushButton *cancelButton() const { return m_cancel; }
    QToolButton *addButton() const { return m_add; }
    QWidget *selectionBar() const { return m_selectionBar; }
    QPushButton *deleteSelectedButton() const { return m_deleteSelected; }
    QWidget *emptyState() const { return m_emptyState; }
    // The menu of an entry's more button, built for the row (the caller owns it).
    QMenu *makeCellMenu(int row);
    // The share menu of a file: its type's title as a section, then open, show in the file
    // manager, copy and mail (the caller owns it).
    QMenu *makeShareMenu(const QUrl &file);
    // What the share menu's entries launch; the desktop's own unless replaced.
    void setShareLauncher(std::unique_ptr<ShareLauncher> launcher);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Local files and folders dropped from the desktop are imported into the shown folder.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QWidget *makeBar();
    QWidget *makeEmptyState();
    QWidget *makeSelectionBar();
    void setUpAddButton();
    void setUpView(QListView *view);
    void setUpShortcuts();
    void render();
    void rebuildMoreMenu();
    void placeAddButton();
    void scheduleVisibleUpdate();
    void updateVisible();
    void showCellMenu(const QModelIndex &index, const QPoint &globalPosition);
    void showShareMenu(const QUrl &file);
    void clicked(const QModelIndex &index);

    FileBrowserViewController *m_controller;
    CellThumbnails &m_thumbnails;
    const ZEPThemeManager &m_theme;
    QToolButton *m_back;
    QPushButton *m_selectAll;
    QLineEdit *m_search;
    QToolButton *m_more;
    QMenu *m_moreMenu;
    QPushButton *m_cancel;
    QStackedWidget *m_pages;
    QListView *m_grid;
    QListView *m_list;
    QWidget *m_emptyState;
    QLabel *m_emptyTitle = nullptr;
    QToolButton *m_add;
    QWidget *m_selectionBar;
    QPushButton *m_deleteSelected = nullptr;
    FileGridDelegate *m_gridDelegate;
    FileListDelegate *m_listDelegate;
    bool m_visibleUpdatePending = false;
    std::unique_ptr<ShareLauncher> m_shareLauncher;
};

} // namespace browser
