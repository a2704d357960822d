#include "browser/filebrowserview.h"

#include "browser/cellthumbnails.h"
#include "browser/filebrowserviewcontroller.h"
#include "browser/filecelldelegates.h"
#include "browser/fileitemmodel.h"
#include "browser/operations/desktopsharelauncher.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QAction>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace browser {

namespace {

enum Page { GridPage = 0, ListPage = 1, EmptyPage = 2 };

QIcon bundleIcon(const QString &name, int side = 24) {
    return QIcon(QPixmap::fromImage(ZEPThemeManager::bundleImage(name, QSize(side, side))));
}

QString themeColor(const ZEPThemeManager &theme) {
    return theme.themeSuffix() == QLatin1String("blue") ? QStringLiteral("#1E7BF0")
                                                        : QStringLiteral("#FF8A00");
}

} // namespace

FileBrowserView::FileBrowserView(FileBrowserViewController *controller, CellThumbnails &thumbnails,
                                 const ZEPThemeManager &theme, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_thumbnails(thumbnails)
    , m_theme(theme)
    , m_moreMenu(new QMenu(this))
    , m_pages(new QStackedWidget)
    , m_grid(new QListView)
    , m_list(new QListView)
    , m_add(new QToolButton(this))
    , m_gridDelegate(new FileGridDelegate(CellResources{thumbnails, theme}, this))
    , m_listDelegate(new FileListDelegate(CellResources{thumbnails, theme}, this)) {
    setObjectName(QStringLiteral("fileBrowserView"));
    setAccessibleName(tr("File browser"));
    QWidget *bar = makeBar();
    m_emptyState = makeEmptyState();
    m_selectionBar = makeSelectionBar();

    m_grid->setViewMode(QListView::IconMode);
    m_grid->setGridSize(QSize(FileGridDelegate::tileWidth + 40, FileGridDelegate::tileHeight + 20));
    m_grid->setMovement(QListView::Static);
    m_grid->setResizeMode(QListView::Adjust);
    m_grid->setItemDelegate(m_gridDelegate);
    m_grid->setAccessibleName(tr("Files as a grid"));
    m_list->setItemDelegate(m_listDelegate);
    m_list->setUniformItemSizes(true);
    m_list->setAccessibleName(tr("Files as a list"));
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (QListView *view : {m_grid, m_list})
        setUpView(view);
    m_shareLauncher = std::make_unique<DesktopShareLauncher>();
    setAcceptDrops(true);
    connect(controller, &FileBrowserViewController::shareRequested, this, &FileBrowserView::showShareMenu);
    m_pages->addWidget(m_grid);
    m_pages->addWidget(m_list);
    m_pages->addWidget(m_emptyState);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(bar);
    column->addWidget(m_pages, 1);
    column->addWidget(m_selectionBar);

    setUpAddButton();

    connect(controller, &FileBrowserViewController::stateChanged, this, &FileBrowserView::render);
    connect(controller, &FileBrowserViewController::searchTextChanged, this, [this](const QString &text) {
        if (m_search->text() != text)
            m_search->setText(text);
    });
    connect(controller, &FileBrowserViewController::scrollToTopRequested, this, [this] {
        m_grid->scrollToTop();
        m_list->scrollToTop();
    });
    connect(controller->model(), &QAbstractItemModel::modelReset, this,
            &FileBrowserView::scheduleVisibleUpdate);
    connect(&thumbnails, &CellThumbnails::changed, this, [this] { currentView()->viewport()->update(); });
    setUpShortcuts();
    render();
}

FileBrowserView::~FileBrowserView() = default;

void FileBrowserView::setUpAddButton() {
    m_add->setText(QStringLiteral("+"));
    m_add->setAccessibleName(tr("Add"));
    m_add->setToolTip(tr("Add files, a folder or receive files over Wi-Fi"));
    m_add->setFixedSize(56, 56);
    m_add->setStyleSheet(QStringLiteral("QToolButton { background: %1; color: white; border-radius: 28px; "
                                        "font-size: 28px; font-weight: bold; }")
                             .arg(themeColor(m_theme)));
    connect(m_add, &QToolButton::clicked, m_controller, &FileBrowserViewController::showAddSheet);
    m_add->raise();
}

QWidget *FileBrowserView::makeBar() {
    auto *bar = new QWidget;
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 6, 8, 6);
    m_back = new QToolButton;
    m_back->setIcon(QIcon(QPixmap::fromImage(m_theme.imgBack())));
    m_back->setAccessibleName(tr("Back"));
    m_back->setToolTip(tr("Up one folder (Backspace)"));
    connect(m_back, &QToolButton::clicked, m_controller, &FileBrowserViewController::goUp);
    m_selectAll = new QPushButton;
    m_selectAll->setFlat(true);
    connect(m_selectAll, &QPushButton::clicked, this, [this] {
        if (m_controller->barState().leftItem == BarState::LeftItem::SelectAll)
            m_controller->selectAll();
        else
            m_controller->deselectAll();
    });
    m_search = new QLineEdit;
    m_search->setPlaceholderText(tr("Search"));
    m_search->setAccessibleName(tr("Search"));
    m_search->setClearButtonEnabled(true);
    for (QToolButton *clear : m_search->findChildren<QToolButton *>())
        clear->setAccessibleName(tr("Clear search"));
    m_search->installEventFilter(this);
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text != m_controller->searchText())
            m_controller->applySearch(text);
    });
    connect(m_search, &QLineEdit::returnPressed, this, [this] { currentView()->setFocus(); });
    m_more = new QToolButton;
    m_more->setIcon(bundleIcon(QStringLiteral("more-") + m_theme.themeSuffix()));
    m_more->setAccessibleName(tr("More"));
    m_more->setMenu(m_moreMenu);
    m_more->setPopupMode(QToolButton::InstantPopup);
    m_cancel = new QPushButton(tr("Cancel"));
    m_cancel->setFlat(true);
    m_cancel->setAccessibleName(tr("Cancel"));
    connect(m_cancel, &QPushButton::clicked, m_controller, &FileBrowserViewController::exitSelectionMode);
    row->addWidget(m_back);
    row->addWidget(m_selectAll);
    row->addWidget(m_search, 1);
    row->addWidget(m_more);
    row->addWidget(m_cancel);
    return bar;
}

QWidget *FileBrowserView::makeEmptyState() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("emptyState"));
    auto *column = new QVBoxLayout(page);
    m_emptyTitle = new QLabel(tr("No Files Yet"));
    QFont large = m_emptyTitle->font();
    large.setPointSizeF(large.pointSizeF() * 1.4);
    large.setBold(true);
    m_emptyTitle->setFont(large);
    auto *message = new QLabel(tr("Use the + button to create a folder, import documents or receive files "
                                  "from a computer over Wi-Fi."));
    message->setWordWrap(true);
    for (QLabel *label : {m_emptyTitle, message}) {
        label->setAlignment(Qt::AlignCenter);
        label->setAccessibleName(label->text());
        column->addWidget(label);
    }
    column->addStretch(1);
    return page;
}

QWidget *FileBrowserView::makeSelectionBar() {
    auto *bar = new QWidget;
    bar->setObjectName(QStringLiteral("selectionBar"));
    bar->setAccessibleName(tr("Selection"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 8, 12, 8);
    m_deleteSelected = new QPushButton(tr("Delete"));
    m_deleteSelected->setAccessibleName(tr("Delete Selected"));
    connect(m_deleteSelected, &QPushButton::clicked, m_controller,
            &FileBrowserViewController::confirmDeleteSelected);
    row->addStretch(1);
    row->addWidget(m_deleteSelected);
    row->addStretch(1);
    return bar;
}

void FileBrowserView::setUpView(QListView *view) {
    view->setModel(m_controller->model());
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setMouseTracking(true);
    view->setFrameShape(QFrame::NoFrame);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    // Dragging out offers file URLs; drops go to the browser itself, never into a cell.
    view->setDragDropMode(QAbstractItemView::DragOnly);
    view->setDefaultDropAction(Qt::CopyAction);
    view->installEventFilter(this);
    connect(view, &QListView::activated, this, [this](const QModelIndex &index) {
        if (!m_controller->isSelecting())
            m_controller->activateItem(index.row());
    });
    connect(view, &QListView::clicked, this, &FileBrowserView::clicked);
    connect(view, &QListView::customContextMenuRequested, this, [this, view](const QPoint &point) {
        const QModelIndex index = view->indexAt(point);
        if (index.isValid() && !m_controller->isSelecting())
            showCellMenu(index, view->viewport()->mapToGlobal(point));
    });
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &FileBrowserView::scheduleVisibleUpdate);
    auto *delegate = static_cast<FileCellDelegate *>(view->itemDelegate());
    connect(delegate, &FileCellDelegate::moreButtonClicked, this, &FileBrowserView::showCellMenu);
}

void FileBrowserView::setUpShortcuts() {
    auto *find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    auto *reload = new QShortcut(QKeySequence::Refresh, this);
    reload->setContext(Qt::WidgetWithChildrenShortcut);
    connect(reload, &QShortcut::activated, m_controller, &FileBrowserViewController::reload);
}

QListView *FileBrowserView::currentView() const {
    return m_controller->viewMode() == ViewMode::List ? m_list : m_grid;
}

void FileBrowserView::clicked(const QModelIndex &index) {
    if (m_controller->isSelecting())
        m_controller->activateItem(index.row());
}

bool FileBrowserView::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_search) {
        if (key->key() == Qt::Key_Escape && !m_search->text().isEmpty()) {
            m_search->clear();
            return true;
        }
        if (key->key() == Qt::Key_Down) {
            currentView()->setFocus();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    const QModelIndex current = currentView()->currentIndex();
    const bool up =
        key->key() == Qt::Key_Backspace || (key->key() == Qt::Key_Up && key->modifiers() == Qt::AltModifier);
    if (up) {
        m_controller->goUp();
        return true;
    }
    if (key->key() == Qt::Key_Menu && current.isValid() && !m_controller->isSelecting()) {
        showCellMenu(current,
                     currentView()->viewport()->mapToGlobal(currentView()->visualRect(current).center()));
        return true;
    }
    if (!m_controller->isSelecting())
        return QWidget::eventFilter(watched, event);
    if (key->key() == Qt::Key_Space && current.isValid()) {
        m_controller->activateItem(current.row());
        return true;
    }
    if (key->matches(QKeySequence::SelectAll)) {
        m_controller->selectAll();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FileBrowserView::render() {
    const BarState &bar = m_controller->barState();
    const bool backItem = bar.leftItem == BarState::LeftItem::Back;
    m_back->setVisible(backItem && bar.backVisible);
    m_selectAll->setVisible(!backItem);
    const QString selectText =
        bar.leftItem == BarState::LeftItem::DeselectAll ? tr("Deselect All") : tr("Select All");
    m_selectAll->setText(selectText);
    m_selectAll->setAccessibleName(selectText);
    m_more->setVisible(bar.rightItem == BarState::RightItem::More);
    m_cancel->setVisible(bar.rightItem == BarState::RightItem::Cancel);
    m_add->setVisible(bar.addButtonVisible);
    m_selectionBar->setVisible(bar.selectionBarVisible);
    m_deleteSelected->setEnabled(bar.deleteSelectedEnabled);
    m_emptyState->layout()->setContentsMargins(24, bar.emptyStateOffset, 24, 24);
    const Page page = bar.emptyStateVisible                        ? EmptyPage
                      : m_controller->viewMode() == ViewMode::List ? ListPage
                                                                   : GridPage;
    m_pages->setCurrentIndex(page);
    rebuildMoreMenu();
    placeAddButton();
    scheduleVisibleUpdate();
}

void FileBrowserView::rebuildMoreMenu() {
    m_moreMenu->clear();
    for (const MenuEntry &entry : m_controller->moreMenu()) {
        QMenu *target = m_moreMenu;
        if (entry.action == MenuEntry::Action::SortBy) {
            target = m_moreMenu->addMenu(entry.title);
            for (const MenuEntry &child : entry.children) {
                QAction *action = target->addAction(child.title, this,
                                                    [this, child] { m_controller->triggerMenuEntry(child); });
                action->setCheckable(true);
                action->setChecked(child.checked);
            }
            continue;
        }
        QAction *action =
            target->addAction(entry.title, this, [this, entry] { m_controller->triggerMenuEntry(entry); });
        action->setCheckable(entry.checked);
        action->setChecked(entry.checked);
    }
}

QMenu *FileBrowserView::makeCellMenu(int row) {
    auto *menu = new QMenu(this);
    menu->setAccessibleName(tr("Entry actions"));
    menu->addAction(tr("Rename"), this, [this, row] { m_controller->renameItem(row); });
    menu->addAction(tr("Delete"), this, [this, row] { m_controller->confirmDelete(row); });
    menu->addAction(tr("Share"), this, [this, row] { m_controller->shareItem(row); });
    return menu;
}

void FileBrowserView::showCellMenu(const QModelIndex &index, const QPoint &globalPosition) {
    QMenu *menu = makeCellMenu(index.row());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

QMenu *FileBrowserView::makeShareMenu(const QUrl &file) {
    const ShareMenu share = shareMenuFor(file);
    auto *menu = new QMenu(this);
    menu->setAccessibleName(share.title.isEmpty() ? FileBrowserViewController::shareTitle() : share.title);
    if (!share.title.isEmpty())
        menu->addSection(share.title);
    for (const ShareMenu::Entry &entry : share.entries) {
        QAction *action = menu->addAction(entry.title, this, [this, file, which = entry.action] {
            runShareAction(which, file, *m_shareLauncher);
        });
        action->setToolTip(entry.accessibleName);
    }
    return menu;
}

void FileBrowserView::setShareLauncher(std::unique_ptr<ShareLauncher> launcher) {
    if (launcher)
        m_shareLauncher = std::move(launcher);
}

void FileBrowserView::showShareMenu(const QUrl &file) {
    QMenu *menu = makeShareMenu(file);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QPoint cursor = QCursor::pos();
    const bool overView = rect().contains(mapFromGlobal(cursor));
    menu->popup(overView ? cursor : mapToGlobal(rect().center()));
}

void FileBrowserView::dragEnterEvent(QDragEnterEvent *event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool local = !urls.isEmpty() && std::all_of(urls.begin(), urls.end(),
                                                      [](const QUrl &url) { return url.isLocalFile(); });
    if (local && event->source() == nullptr && !m_controller->isSelecting()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void FileBrowserView::dragMoveEvent(QDragMoveEvent *event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileBrowserView::dropEvent(QDropEvent *event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
    m_controller->importDropped(event->mimeData()->urls());
}

void FileBrowserView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeAddButton();
    scheduleVisibleUpdate();
}

void FileBrowserView::placeAddButton() {
    const int bottom = m_selectionBar->isVisible() ? m_selectionBar->height() : 0;
    m_add->move(width() - m_add->width() - 24, height() - bottom - m_add->height() - 24);
    m_add->raise();
}

void FileBrowserView::scheduleVisibleUpdate() {
    if (m_visibleUpdatePending)
        return;
    m_visibleUpdatePending = true;
    QTimer::singleShot(0, this, &FileBrowserView::updateVisible);
}

void FileBrowserView::updateVisible() {
    m_visibleUpdatePending = false;
    QListView *view = currentView();
    const QRect area = view->viewport()->rect();
    // The screen below the visible one is asked for at low priority, so scrolling on finds its
    // pictures made or under way; everything further away is cancelled.
    const QRect ahead = area.adjusted(0, 0, 0, area.height());
    const FileItemModel *model = m_controller->model();
    QSet<QString> kept;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row);
        const QRect rect = view->visualRect(index);
        if (rect.top() > ahead.bottom())
            break;
        if (!rect.intersects(ahead))
            continue;
        const QString path = index.data(FileItemModel::PathRole).toString();
        kept.insert(path);
        if (!rect.intersects(area))
            m_thumbnails.thumbnail(path, FileKind(index.data(FileItemModel::KindRole).toInt()),
                                   index.data(FileItemModel::VersionRole).toLongLong(),
                                   thumbnails::Priority::Prefetch);
    }
    m_thumbnails.keepOnly(kept);
}

} // namespace browser
