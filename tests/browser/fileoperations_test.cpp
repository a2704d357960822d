#include "browser/filebrowserviewcontroller.h"
#include "browser/fileitemmodel.h"
#include "browser/filekind.h"
#include "browser/operations/sharemenu.h"
#include "browser/viewerfactory.h"
#include "platform/defaults.h"
#include "platform/fileattributes.h"
#include "platform/log.h"
#include "testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace browser;

namespace {

class NoViewers : public ViewerFactory {
public:
    ui::ScreenController *imageViewer(const QString &) override { return nullptr; }
    ui::ScreenController *pdfReader(const QString &) override { return nullptr; }
};

} // namespace

// The document folder lies in the test's sandbox, so the trash (XDG_DATA_HOME/Trash) is there too.
class FileOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        platform::setLogSink([this](const QString &line) { m_log << line; });
        m_defaults = std::make_unique<platform::Defaults>("fileops-" + QFileInfo(m_dir.path()).fileName());
    }
    void TearDown() override { platform::setLogSink({}); }

    QString path(const QString &name) const { return m_dir.path() + "/" + name; }
    // Entries created a minute apart in the order given, so the creation order is theirs.
    void files(const QStringList &names) {
        int minute = 0;
        for (const QString &name : names) {
            if (name.endsWith('/'))
                ASSERT_TRUE(QDir().mkpath(path(name)));
            else
                testsupport::writeFile(path(name), name.toUtf8());
            ASSERT_TRUE(platform::setCreationDate(path(name),
                                                  QDateTime(QDate(2024, 1, 1), QTime(8, minute++), Qt::UTC)));
        }
    }
    FileBrowserViewController &browser() {
        if (!m_browser) {
            m_browser = std::make_unique<FileBrowserViewController>(FileBrowserEnvironment{
                m_viewers, *m_defaults, [this] { return std::optional<QString>(m_dir.path()); }, {}});
            QObject::connect(m_browser.get(), &ui::ScreenController::alertRequested,
                             [this](const ui::AlertSpec &alert) { m_alerts.push_back(alert); });
            m_browser->viewDidLoad();
        }
        return *m_browser;
    }
    QStringList names() {
        QStringList list;
        for (const FileItem &item : browser().items())
            list << item.name;
        return list;
    }
    int row(const QString &name) { return int(names().indexOf(name)); }
    QString trashed(const QString &name) const {
        return testsupport::sandboxRoot() + "/data/Trash/files/" + name;
    }

    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/ops-XXXXXX"};
    NoViewers m_viewers;
    std::unique_ptr<platform::Defaults> m_defaults;
    std::unique_ptr<FileBrowserViewController> m_browser;
    std::vector<ui::AlertSpec> m_alerts;
    QStringList m_log;
};

TEST_F(FileOperationsTest, RenameAlertEnablesItsButtonForAnyCharacterAndRenamesOnDisk) {
    files({"a.txt", "b.txt"});
    browser().renameItem(row("a.txt"));
    ASSERT_EQ(m_alerts.size(), 1u);
    const ui::AlertSpec &alert = m_alerts[0];
    EXPECT_EQ(alert.initialTexts(), QStringList{"a.txt"});
    ASSERT_EQ(alert.actions.size(), 2u);
    EXPECT_EQ(alert.actions[0].title, FileBrowserViewController::renameTitle());
    EXPECT_EQ(alert.actions[1].style, ui::AlertSpec::Style::Cancel);
    EXPECT_FALSE(alert.isActionEnabled(0, {""}));
    EXPECT_TRUE(alert.isActionEnabled(0, {" "}));

    // The kind follows the new extension, also when the extension goes.
    ASSERT_TRUE(alert.trigger(0, {"a.pdf"}));
    EXPECT_EQ(names(), (QStringList{"a.pdf", "b.txt"}));
    EXPECT_EQ(fileKind(browser().items()[0].name, false), FileKind::Pdf);
    browser().performRename(row("a.pdf"), "a");
    EXPECT_TRUE(QFileInfo::exists(path("a")));
    EXPECT_EQ(names(), (QStringList{"a", "b.txt"}));
    EXPECT_EQ(fileKind("a", false), FileKind::Other);
}

struct RefusedName {
    QString name;
    QString title;
};

class RefusedRenameTest : public FileOperationsTest, public ::testing::WithParamInterface<RefusedName> {};

TEST_P(RefusedRenameTest, ShowsAnAlertAndChangesNothing) {
    files({"a.txt", "b.txt", "sub/"});
    browser().performRename(row("a.txt"), GetParam().name);
    ASSERT_EQ(m_alerts.size(), 1u);
    EXPECT_EQ(m_alerts[0].title, GetParam().title);
    EXPECT_EQ(m_alerts[0].actions.size(), 1u);
    EXPECT_EQ(testsupport::readFile(path("a.txt")), "a.txt");
    EXPECT_TRUE(QDir(path("sub")).isEmpty()) << "a slash must not move the entry into another folder";
    EXPECT_EQ(names(), (QStringList{"a.txt", "b.txt", "sub"}));
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusedRenameTest,
    ::testing::Values(RefusedName{"a.txt", "File exists"}, RefusedName{"b.txt", "File exists"},
                      RefusedName{"sub", "File exists"}, RefusedName{"sub/a.txt", "Invalid Name"},
                      RefusedName{"..", "Invalid Name"}, RefusedName{".", "Invalid Name"},
                      RefusedName{QString("x") + QChar(0), "Invalid Name"},
                      RefusedName{QString(128, QChar(0x00E9)), "Invalid Name"} /* 256 bytes in UTF-8 */));

TEST_F(FileOperationsTest, ConflictAlertTextsAreFixed) {
    files({"a.txt"});
    browser().performRename(0, "a.txt");
    ASSERT_EQ(m_alerts.size(), 1u);
    EXPECT_EQ(m_alerts[0].message, "A file with same name already exists.");
    EXPECT_EQ(m_alerts[0].actions[0].title, "Ok");
}

TEST_F(FileOperationsTest, DeletingAFolderMovesItWithItsContentsToTheTrash) {
    files({"keep.txt", "folder/"});
    testsupport::writeFile(path("folder/inner.txt"), "inner");
    browser().confirmDelete(row("folder"));
    ASSERT_EQ(m_alerts.size(), 1u);
    ASSERT_EQ(m_alerts[0].actions.size(), 2u);
    EXPECT_EQ(m_alerts[0].actions[0].title, FileBrowserViewController::deleteTitle());
    EXPECT_EQ(m_alerts[0].actions[0].style, ui::AlertSpec::Style::Destructive);
    EXPECT_EQ(m_alerts[0].actions[1].style, ui::AlertSpec::Style::Cancel);
    ASSERT_TRUE(m_alerts[0].trigger(0, {}));
    EXPECT_FALSE(QFileInfo::exists(path("folder")));
    EXPECT_EQ(testsupport::readFile(trashed("folder") + "/inner.txt"), "inner")
        << "restorable from the trash";
    EXPECT_EQ(names(), QStringList{"keep.txt"});
}

TEST_F(FileOperationsTest, DeletingWhileSearchingShowsTheWholeFolderAndKeepsTheText) {
    files({"apple", "apricot", "banana"});
    browser().applySearch("ap");
    ASSERT_EQ(names(), (QStringList{"apple", "apricot"}));
    browser().deleteItem(row("apple"));
    EXPECT_EQ(names(), (QStringList{"apricot", "banana"}));
    EXPECT_EQ(browser().searchText(), "ap");
}

TEST_F(FileOperationsTest, LastEntryShowsTheEmptyStateOnlyAtTheTop) {
    files({"sub/", "sub/last.txt"});
    browser().openItem(row("sub"));
    ASSERT_EQ(names(), QStringList{"last.txt"});
    browser().deleteItem(0);
    EXPECT_TRUE(names().isEmpty());
    EXPECT_FALSE(browser().barState().emptyStateVisible);

    browser().goUp();
    browser().deleteItem(row("sub"));
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(browser().barState().emptyStateVisible);
    EXPECT_EQ(browser().barState().emptyStateOffset, 240);
}

TEST_F(FileOperationsTest, SelectAllThenDeleteRemovesEachEntryOnceAndEndsSelection) {
    files({"one", "two", "dir/"});
    browser().toggleSelectionMode();
    browser().activateItem(0);
    browser().selectAll(); // appends the chosen entry a second time
    browser().confirmDeleteSelected();
    ASSERT_EQ(m_alerts.size(), 1u);
    ASSERT_EQ(m_alerts[0].actions.size(), 2u);
    EXPECT_EQ(m_alerts[0].actions[0].style, ui::AlertSpec::Style::Cancel);
    EXPECT_EQ(m_alerts[0].actions[1].style, ui::AlertSpec::Style::Destructive);
    m_log.clear();
    ASSERT_TRUE(m_alerts[0].trigger(1, {}));
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
    EXPECT_EQ(m_log.filter("No such file").size(), 1) << m_log.join('\n').toStdString();
    EXPECT_FALSE(browser().isSelecting());
    EXPECT_TRUE(browser().selectedURLs().isEmpty());
    EXPECT_EQ(browser().barState().rightItem, BarState::RightItem::More);
    EXPECT_TRUE(browser().barState().emptyStateVisible);
}

// The share menu: the title by MIME type, and the clipboard a file manager pastes as a copy.
struct SharedFile {
    QString name;
    QByteArray bytes;
    QString title;
};

class ShareMenuTest : public FileOperationsTest, public ::testing::WithParamInterface<SharedFile> {};

TEST_P(ShareMenuTest, TitleFollowsTheType) {
    testsupport::writeFile(path(GetParam().name), GetParam().bytes);
    const ShareMenu menu = shareMenuFor(QUrl::fromLocalFile(path(GetParam().name)));
    EXPECT_EQ(menu.title, GetParam().title);
    ASSERT_EQ(menu.entries.size(), 4u);
    EXPECT_EQ(menu.entries[3].action, ShareMenu::Action::Mail);
}

INSTANTIATE_TEST_SUITE_P(Types, ShareMenuTest,
                         ::testing::Values(SharedFile{"p.png", "\x89PNG\r\n\x1a\n", "Share Picture"},
                                           SharedFile{"clip.mp4", "....ftypisom", "Share Video"},
                                           SharedFile{"d.pdf", "%PDF-1.4\n", "Share PDF Document"},
                                           SharedFile{"notes.txt", "plain words\n", "Share File"},
                                           SharedFile{"blob.zzq", QByteArray("\x01\x02\x00\xff", 4), ""}));

TEST_F(FileOperationsTest, CopyPutsTheFileOnTheClipboardForFileManagersAndLaunchesNothingElse) {
    struct Recorder : ShareLauncher {
        bool openWithDefault(const QUrl &file) override { return calls << "open " + file.fileName(), true; }
        bool showInFileManager(const QUrl &file) override { return calls << "show " + file.fileName(), true; }
        bool setClipboard(std::unique_ptr<QMimeData> data) override {
            return clipboard = std::move(data), true;
        }
        bool mail(const QUrl &) override { return false; }
        QStringList calls;
        std::unique_ptr<QMimeData> clipboard;
    } launcher;
    const QUrl file = QUrl::fromLocalFile(path("a b.txt"));
    ASSERT_TRUE(runShareAction(ShareMenu::Action::Copy, file, launcher));
    ASSERT_TRUE(launcher.clipboard);
    EXPECT_EQ(launcher.clipboard->urls(), QList<QUrl>{file});
    EXPECT_EQ(launcher.clipboard->data("x-special/gnome-copied-files"), "copy\n" + file.toEncoded());
    EXPECT_EQ(launcher.clipboard->data("application/x-kde-cutselection"), "0");
    EXPECT_TRUE(launcher.calls.isEmpty());
    EXPECT_FALSE(runShareAction(ShareMenu::Action::Mail, file, launcher));
    EXPECT_EQ(m_log.filter("Could not share").size(), 1);
    EXPECT_EQ(shareMenuFor(QUrl::fromLocalFile(m_dir.path())).entries.size(), 3u) << "a folder is not mailed";
}
