#include "browser/filebrowserviewcontroller.h"
#include "browser/fileitemmodel.h"
#include "browser/viewerfactory.h"
#include "platform/defaults.h"
#include "platform/fileattributes.h"
#include "platform/log.h"
#include "testenvironment.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace browser;

namespace {

// Hands out plain screens and records what was asked; a PDF named "broken…" does not open.
class FakeViewers : public ViewerFactory {
public:
    ui::ScreenController *imageViewer(const QString &path) override {
        asked << "image " + QFileInfo(path).fileName();
        return new ui::ScreenController;
    }
    ui::ScreenController *pdfReader(const QString &path) override {
        asked << "pdf " + QFileInfo(path).fileName();
        return QFileInfo(path).fileName().startsWith("broken") ? nullptr : new ui::ScreenController;
    }
    QStringList asked;
};

} // namespace

class FileBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setLogSink([this](const QString &line) { m_log << line; });
        m_defaults = std::make_unique<platform::Defaults>(QStringLiteral("browser-test-") +
                                                          QFileInfo(m_dir.path()).fileName());
    }
    void TearDown() override { platform::setLogSink({}); }

    QString path(const QString &name) const { return m_dir.path() + "/" + name; }
    // A file of `size` bytes, created (as the app records it) `minutes` after a fixed time.
    void file(const QString &name, int size, int minutes) {
        testsupport::writeFile(path(name), QByteArray(size, 'x'));
        ASSERT_TRUE(platform::setCreationDate(
            path(name), QDateTime(QDate(2024, 1, 1), QTime(8, 0), Qt::UTC).addSecs(minutes * 60)));
    }
    FileBrowserViewController &browser() {
        if (!m_browser) {
            m_browser = std::make_unique<FileBrowserViewController>(FileBrowserEnvironment{
                m_viewers, *m_defaults, [this] { return std::optional<QString>(m_dir.path()); },
                [](const QString &file) {
                    return file.endsWith(".png");
                }});
            m_tester = std::make_unique<QAbstractItemModelTester>(
                m_browser->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
            m_browser->viewDidLoad();
        }
        return *m_browser;
    }
    QStringList names(bool all = false) {
        QStringList list;
        for (const FileItem &item : all ? browser().allItems() : browser().items())
            list << item.name;
        return list;
    }
    int row(const QString &name) { return int(names().indexOf(name)); }

    QTemporaryDir m_dir{QDir::tempPath() + "/browser-XXXXXX"};
    FakeViewers m_viewers;
    std::unique_ptr<platform::Defaults> m_defaults;
    std::unique_ptr<FileBrowserViewController> m_browser;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QStringList m_log;
};

TEST_F(FileBrowserTest, ListsHiddenEntriesInCreationOrderWithFolderCounts) {
    file("b.txt", 10, 2);
    file(".hidden", 10, 1);
    ASSERT_TRUE(QDir().mkpath(path("Album/.thumbs")));
    testsupport::writeFile(path("Album/one.png"), "x");
    ASSERT_TRUE(platform::setCreationDate(path("Album"), QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC)));

    EXPECT_EQ(names(), (QStringList{"Album", ".hidden", "b.txt"}));
    EXPECT_EQ(names(true), names());
    const QModelIndex album = browser().model()->index(0);
    EXPECT_EQ(album.data(FileItemModel::SizeTextRole).toString(), "2 items") << "hidden entries are counted";
    EXPECT_EQ(album.data(FileItemModel::TypeLabelRole).toString(), "");
    EXPECT_EQ(album.data(FileItemModel::ListDateRole).toString(), "");
    EXPECT_FALSE(browser().barState().emptyStateVisible);
    EXPECT_EQ(browser().barState().emptyStateOffset, 105);
}

TEST_F(FileBrowserTest, SearchIgnoresCaseAndMatchesExtensions) {
    file("Photo.PNG", 1, 1);
    file("photograph.jpg", 1, 2);
    file("notes.txt", 1, 3);
    file("png-list.txt", 1, 4);
    browser().applySearch("PHOTO");
    EXPECT_EQ(names(), (QStringList{"Photo.PNG", "photograph.jpg"}));
    browser().applySearch(".png");
    EXPECT_EQ(names(), (QStringList{"Photo.PNG"}));
    browser().applySearch("zzz");
    EXPECT_TRUE(names().isEmpty());
    EXPECT_FALSE(browser().barState().emptyStateVisible) << "the folder is not empty, only the search";
    browser().applySearch("");
    EXPECT_EQ(names().size(), 4);
}

TEST_F(FileBrowserTest, SortingDuringASearchKeepsTheFilterAndClearingShowsTheNewOrder) {
    file("a-big.txt", 300, 1);
    file("b-small.txt", 100, 2);
    file("c-mid.txt", 200, 3);
    file("other", 50, 4);
    browser().applySearch(".txt");
    QSignalSpy changed(&browser(), &FileBrowserViewController::stateChanged);
    browser().setSortOption(SortOption::Size);
    EXPECT_EQ(names(), (QStringList{"b-small.txt", "c-mid.txt", "a-big.txt"}));
    EXPECT_GE(changed.count(), 1);
    browser().applySearch("");
    EXPECT_EQ(names(), (QStringList{"other", "b-small.txt", "c-mid.txt", "a-big.txt"}));
    EXPECT_EQ(m_defaults->stringValue(FileBrowserViewController::sortOptionKey), "Size");
    const std::vector<MenuEntry> menu = browser().moreMenu();
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_EQ(menu[3].children[2].checked, true);
    EXPECT_EQ(menu[3].children[0].checked, false);
}

TEST_F(FileBrowserTest, StoredSortAndViewModeChooseTheirOptionsAndUnknownTextsFallBack) {
    file("late-small", 1, 9);
    file("early-big", 9, 1);
    m_defaults->setValue(FileBrowserViewController::sortOptionKey, "Sideways");
    m_defaults->setValue(FileBrowserViewController::viewModeKey, "list");
    EXPECT_EQ(browser().sortOption(), SortOption::Time);
    EXPECT_EQ(names(), (QStringList{"early-big", "late-small"}));
    EXPECT_EQ(browser().viewMode(), ViewMode::List);
    m_defaults->setValue(FileBrowserViewController::sortOptionKey, "Size");
    browser().refreshRoot();
    EXPECT_EQ(browser().sortOption(), SortOption::Size);
    EXPECT_EQ(names(), (QStringList{"late-small", "early-big"}));
    browser().showGrid();
    EXPECT_EQ(m_defaults->stringValue(FileBrowserViewController::viewModeKey), "grid");
    EXPECT_TRUE(browser().moreMenu()[1].checked);
}

TEST_F(FileBrowserTest, SelectionModeStatesAndSelectAllAppendingTwice) {
    file("a", 1, 1);
    file("b", 1, 2);
    FileItemModel *model = browser().model();
    EXPECT_EQ(model->index(0).data(FileItemModel::MoreButtonRole).toInt(), FileItemModel::MoreMenu);

    browser().toggleSelectionMode();
    BarState bar = browser().barState();
    EXPECT_EQ(bar.leftItem, BarState::LeftItem::SelectAll);
    EXPECT_EQ(bar.rightItem, BarState::RightItem::Cancel);
    EXPECT_FALSE(bar.addButtonVisible);
    EXPECT_FALSE(bar.tabBarVisible);
    EXPECT_FALSE(bar.deleteSelectedEnabled);
    EXPECT_EQ(model->index(0).data(FileItemModel::MoreButtonRole).toInt(), FileItemModel::Unchecked);

    browser().activateItem(0);
    EXPECT_EQ(model->index(0).data(FileItemModel::MoreButtonRole).toInt(), FileItemModel::Checked);
    EXPECT_TRUE(browser().barState().deleteSelectedEnabled);
    browser().selectAll();
    EXPECT_EQ(browser().selectedURLs().size(), 3) << "select-all appends the chosen entry again";
    EXPECT_TRUE(browser().allSelected());
    EXPECT_EQ(browser().barState().leftItem, BarState::LeftItem::DeselectAll);
    QSignalSpy deletes(&browser(), &FileBrowserViewController::deleteRequested);
    browser().confirmDeleteSelected();
    ASSERT_EQ(deletes.count(), 1);
    EXPECT_EQ(deletes[0][0].value<QList<QUrl>>().size(), 2) << "each entry is deleted once";
    browser().activateItem(0);
    EXPECT_EQ(browser().selectedURLs().size(), 1) << "toggling off removes every copy";
    EXPECT_EQ(browser().barState().leftItem, BarState::LeftItem::SelectAll);

    browser().exitSelectionMode();
    bar = browser().barState();
    EXPECT_TRUE(browser().selectedURLs().isEmpty());
    EXPECT_EQ(bar.rightItem, BarState::RightItem::More);
    EXPECT_TRUE(bar.addButtonVisible && bar.tabBarVisible && !bar.selectionBarVisible);
    EXPECT_EQ(model->index(1).data(FileItemModel::MoreButtonRole).toInt(), FileItemModel::MoreMenu);
}

TEST_F(FileBrowserTest, EmptyStateAtStartAndAfterARefresh) {
    EXPECT_TRUE(browser().barState().emptyStateVisible);
    EXPECT_EQ(browser().barState().emptyStateOffset, 240);
    file("only", 1, 1);
    browser().refreshRoot();
    EXPECT_FALSE(browser().barState().emptyStateVisible);
    ASSERT_TRUE(QFile::remove(path("only")));
    browser().refreshFolder(QUrl::fromLocalFile(m_dir.path()));
    EXPECT_TRUE(browser().barState().emptyStateVisible);
    EXPECT_TRUE(names().isEmpty());
}

TEST_F(FileBrowserTest, OpeningFoldersGoingUpAndReappearingKeepTitleAndListTogether) {
    file("top.txt", 1, 1);
    ASSERT_TRUE(QDir().mkpath(path("Trips/Alps")));
    browser().applySearch("trip");
    browser().openItem(row("Trips"));
    EXPECT_EQ(browser().title(), "Trips");
    EXPECT_TRUE(browser().barState().backVisible);
    EXPECT_EQ(browser().searchText(), "") << "opening a folder clears the search";
    EXPECT_EQ(names(), QStringList{"Alps"});

    browser().openItem(0);
    EXPECT_EQ(browser().title(), "Alps");
    testsupport::writeFile(path("Trips/Alps/new.png"), "x");
    browser().viewWillAppear();
    EXPECT_EQ(browser().title(), "Alps");
    EXPECT_EQ(names(), QStringList{"new.png"}) << "a browser that reappears re-lists the folder it shows";
    browser().refreshFolder(QUrl::fromLocalFile(m_dir.path()));
    EXPECT_EQ(names(), QStringList{"new.png"}) << "a folder not shown is not listed in its place";

    browser().goUp();
    EXPECT_EQ(browser().title(), "Trips");
    browser().goUp();
    EXPECT_EQ(browser().title(), FileBrowserViewController::rootTitle());
    EXPECT_FALSE(browser().barState().backVisible);
    EXPECT_FALSE(browser().openFolder().has_value());
    EXPECT_EQ(names().size(), 2);
    browser().goUp();
    EXPECT_EQ(names().size(), 2) << "nothing is above the document folder";
}

TEST_F(FileBrowserTest, OpeningFilesByKind) {
    file("clip.MOV", 1, 1);
    file("doc.pdf", 1, 2);
    file("broken.pdf", 1, 3);
    file("pic.png", 1, 4);
    file("notes.txt", 1, 5);
    QSignalSpy pushes(&browser(), &ui::ScreenController::pushRequested);
    QSignalSpy presents(&browser(), &ui::ScreenController::presentRequested);
    browser().openItem(row("clip.MOV"));
    browser().openItem(row("notes.txt"));
    EXPECT_EQ(pushes.count() + presents.count(), 0) << "videos and unknown files open nothing";
    EXPECT_TRUE(m_log.filter("clip.MOV").size() >= 1);
    browser().openItem(row("broken.pdf"));
    EXPECT_EQ(pushes.count(), 0);
    EXPECT_FALSE(m_log.filter("Could not open the PDF document").isEmpty());
    browser().openItem(row("doc.pdf"));
    EXPECT_EQ(pushes.count(), 1);
    browser().openItem(row("pic.png"));
    ASSERT_EQ(presents.count(), 1);
    EXPECT_EQ(presents[0][1].value<ui::Presentation>().style, ui::Presentation::Style::FullScreen);
    EXPECT_EQ(m_viewers.asked, (QStringList{"pdf broken.pdf", "pdf doc.pdf", "image pic.png"}));
    for (const QVariantList &call : pushes + presents)
        delete call[0].value<ui::ScreenController *>();
}

TEST_F(FileBrowserTest, AnUnreadableFolderIsLoggedAndLeavesTheListEmpty) {
    file("a", 1, 1);
    browser().loadFolder(QUrl::fromLocalFile(path("missing")));
    EXPECT_EQ(names(), QStringList{"a"}) << "a failed listing leaves the lists as they were";
    EXPECT_FALSE(m_log.filter("Could not list the folder").isEmpty());
}
