#include "browser/cellthumbnails.h"
#include "browser/filebrowserview.h"
#include "browser/filebrowserviewcontroller.h"
#include "browser/filecelldelegates.h"
#include "browser/fileitemmodel.h"
#include "browser/viewerfactory.h"
#include "platform/defaults.h"
#include "testenvironment.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace browser;

namespace {

class NoViewers : public ViewerFactory {
public:
    ui::ScreenController *imageViewer(const QString &) override { return new ui::ScreenController; }
    ui::ScreenController *pdfReader(const QString &) override { return nullptr; }
};

bool waitFor(const std::function<bool()> &done) {
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(10);
    return done();
}

} // namespace

class BrowserWidgetsTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.path() + "/" + name; }
    thumbnails::ThumbnailService::Options options(thumbnails::ThumbnailService::Generator generator = {}) {
        thumbnails::ThumbnailService::Options result;
        result.cacheRoot = path(".cache-" + QString::number(++m_caches));
        result.generator = std::move(generator);
        return result;
    }

    QTemporaryDir m_dir{QDir::tempPath() + "/browser-widgets-XXXXXX"};
    int m_caches = 0;
};

TEST_F(BrowserWidgetsTest, PdfCellShowsTheLowerLeftOfTheFirstPageAtNaturalSizeOnWhite) {
    QPdfWriter writer(path("doc.pdf"));
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QSizeF(200, 400), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    {
        QPainter painter(&writer);
        painter.fillRect(QRect(0, 350, 50, 50), Qt::black); // the page's lower left corner
        painter.fillRect(QRect(150, 0, 50, 50), Qt::black); // beyond the canvas
    }
    const QImage canvas = pdfCellThumbnail(path("doc.pdf"), 128);
    ASSERT_EQ(canvas.size(), QSize(pdfCanvasWidth, pdfCanvasHeight));
    EXPECT_LT(qGray(canvas.pixel(10, 290)), 40);
    EXPECT_GT(qGray(canvas.pixel(80, 10)), 240) << "the page's white, not a transparent background";
    EXPECT_GT(qGray(canvas.pixel(60, 240)), 240);
    testsupport::writeFile(path("fake.pdf"), "not a pdf");
    EXPECT_TRUE(pdfCellThumbnail(path("fake.pdf"), 128).isNull());
}

TEST_F(BrowserWidgetsTest, CellPicturesArriveForTheirPathAndVideoFramesAreMade) {
    thumbnails::ThumbnailService pictures(options());
    thumbnails::ThumbnailService pdfs(options(pdfCellThumbnail));
    CellThumbnails cells(pictures, pdfs);
    QImage red(64, 64, QImage::Format_RGB32), blue(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    ASSERT_TRUE(red.save(path("red.png")) && blue.save(path("blue.png")));

    EXPECT_TRUE(cells.thumbnail(path("red.png"), FileKind::Image).isNull()) << "made off the GUI thread";
    cells.keepOnly({});
    EXPECT_EQ(cells.pendingCount(), 0) << "a path scrolled away is cancelled";
    cells.thumbnail(path("red.png"), FileKind::Image, 0, thumbnails::Priority::Prefetch);
    cells.thumbnail(path("red.png"), FileKind::Image); // scrolled into view: asked again, at once
    cells.thumbnail(path("blue.png"), FileKind::Image);
    EXPECT_TRUE(cells.thumbnail(path("notes.txt"), FileKind::Other).isNull());
    EXPECT_EQ(cells.pendingCount(), 2);
    ASSERT_TRUE(waitFor([&] { return cells.pendingCount() == 0; }));
    EXPECT_EQ(cells.thumbnail(path("red.png"), FileKind::Image).pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(cells.thumbnail(path("blue.png"), FileKind::Image).pixelColor(5, 5), QColor(Qt::blue));
    QImage green(32, 32, QImage::Format_RGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(path("red.png")));
    EXPECT_TRUE(cells.thumbnail(path("red.png"), FileKind::Image, 7).isNull())
        << "another file under the name";
    ASSERT_TRUE(waitFor([&] { return cells.pendingCount() == 0; }));
    EXPECT_EQ(cells.thumbnail(path("red.png"), FileKind::Image, 7).pixelColor(5, 5), QColor(Qt::green));

    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i",
                                           "color=c=green:size=64x48:duration=2:rate=5", path("clip.mov")}),
              0);
    cells.thumbnail(path("clip.mov"), FileKind::Video);
    ASSERT_TRUE(waitFor([&] { return cells.pendingCount() == 0; }));
    const QImage frame = cells.thumbnail(path("clip.mov"), FileKind::Video);
    ASSERT_FALSE(frame.isNull());
    EXPECT_GT(frame.pixelColor(frame.width() / 2, frame.height() / 2).green(), 100);
}

TEST_F(BrowserWidgetsTest, ListRowsDrawFolderAndFileDetailsAndNoSeparatorUnderTheLastRow) {
    auto item = [this](const QString &name, bool folder) {
        return FileItem{
            FileRecord(QUrl::fromLocalFile(path(name)), QDateTime(QDate(2024, 5, 6), QTime(7, 8))),
            name,
            folder,
            2048,
            0,
            3};
    };
    FileItemModel model(nullptr);
    model.setItems({item("Trips", true), item("notes.txt", false), item("last.txt", false)});
    EXPECT_EQ(FileListDelegate::detailText(model.index(0)), "3 items");
    EXPECT_EQ(FileListDelegate::detailText(model.index(1)),
              QString::fromUtf8("TXT · 2.0 KB · 6 May 2024, 07:08"))
        << "a file row after a folder row shows its type and date again";

    thumbnails::ThumbnailService pictures(options());
    thumbnails::ThumbnailService pdfs(options());
    CellThumbnails cells(pictures, pdfs);
    ZEPThemeManager theme;
    QListView view;
    FileListDelegate delegate(CellResources{cells, theme});
    view.setItemDelegate(&delegate);
    view.setModel(&model);
    view.setFrameShape(QFrame::NoFrame);
    view.resize(400, 300);
    view.show();
    const QImage shot = view.viewport()->grab().toImage();
    const int x = FileListDelegate::separatorInset + 40;
    for (int row = 0; row < 3; ++row) {
        const int y = FileListDelegate::rowHeight * (row + 1) - 1;
        EXPECT_EQ(shot.pixelColor(x, y) != shot.pixelColor(x, y - 3), row < 2) << "row " << row;
        EXPECT_EQ(shot.pixelColor(40, y), shot.pixelColor(40, y - 3)) << "the separator starts at the inset";
    }
}

TEST_F(BrowserWidgetsTest, KeyboardDrivesSearchFoldersAndSelection) {
    ASSERT_TRUE(QDir().mkpath(path("docs/Album")));
    testsupport::writeFile(path("docs/alpha.txt"), "a");
    testsupport::writeFile(path("docs/beta.txt"), "b");
    NoViewers viewers;
    platform::Defaults defaults(QStringLiteral("widgets-test"));
    FileBrowserViewController controller(
        FileBrowserEnvironment{viewers, defaults, [this] { return std::optional<QString>(path("docs")); },
                               [](const QString &) {
                                   return false;
                               }});
    controller.viewDidLoad();
    controller.showList();
    thumbnails::ThumbnailService pictures(options());
    thumbnails::ThumbnailService pdfs(options());
    CellThumbnails cells(pictures, pdfs);
    ZEPThemeManager theme;
    FileBrowserView view(&controller, cells, theme);
    view.resize(420, 700);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    for (QWidget *control : std::initializer_list<QWidget *>{
             view.searchField(), view.moreButton(), view.addButton(), view.backButton(), view.cancelButton(),
             view.deleteSelectedButton(), view.listView()})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    EXPECT_EQ(controller.model()->index(0).data(Qt::AccessibleTextRole).toString(),
              controller.items()[0].name);

    QTest::keyClick(view.listView(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(view.searchField()->hasFocus());
    QTest::keyClicks(view.searchField(), "ALB");
    EXPECT_EQ(controller.items().size(), 1u);
    QTest::keyClick(view.searchField(), Qt::Key_Escape);
    EXPECT_EQ(controller.items().size(), 3u);

    view.listView()->setFocus();
    view.listView()->setCurrentIndex(controller.model()->index(int(controller.items().size()) - 1));
    const int album = [&] {
        for (int i = 0; i < int(controller.items().size()); ++i)
            if (controller.items()[size_t(i)].name == "Album")
                return i;
        return -1;
    }();
    view.listView()->setCurrentIndex(controller.model()->index(album));
    QTest::keyClick(view.listView(), Qt::Key_Return);
    EXPECT_EQ(controller.title(), "Album");
    EXPECT_TRUE(view.backButton()->isVisible());
    QTest::keyClick(view.listView(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(controller.title(), FileBrowserViewController::rootTitle());
    EXPECT_FALSE(view.backButton()->isVisible());

    controller.toggleSelectionMode();
    EXPECT_TRUE(view.selectionBar()->isVisible());
    EXPECT_FALSE(view.addButton()->isVisible());
    view.listView()->setCurrentIndex(controller.model()->index(0));
    QTest::keyClick(view.listView(), Qt::Key_Space);
    EXPECT_EQ(controller.selectedURLs().size(), 1);
    EXPECT_TRUE(view.deleteSelectedButton()->isEnabled());
    QTest::keyClick(view.listView(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.selectAllButton()->text(), "Deselect All");
    view.cancelButton()->click();
    EXPECT_FALSE(controller.isSelecting());
    EXPECT_TRUE(view.addButton()->isVisible());
}

TEST_F(BrowserWidgetsTest, ShareMenuCarriesTheTypeTitleAndDragsOfferFileUrls) {
    testsupport::writeFile(path("docs/shot.png"), "\x89PNG\r\n\x1a\n");
    NoViewers viewers;
    platform::Defaults defaults(QStringLiteral("widgets-share-test"));
    FileBrowserViewController controller(FileBrowserEnvironment{
        viewers, defaults, [this] { return std::optional<QString>(path("docs")); }, {}});
    controller.viewDidLoad();
    thumbnails::ThumbnailService pictures(options());
    thumbnails::ThumbnailService pdfs(options());
    CellThumbnails cells(pictures, pdfs);
    ZEPThemeManager theme;
    FileBrowserView view(&controller, cells, theme);
    const QUrl shot = QUrl::fromLocalFile(path("docs/shot.png"));
    std::unique_ptr<QMenu> menu(view.makeShareMenu(shot));
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{"Share Picture", "Open with Default Application", "Show in File Manager",
                                  "Copy", "Send by E-Mail…"}));
    EXPECT_TRUE(menu->actions().first()->isSeparator()) << "the title is a section, not an entry";

    const QModelIndex first = controller.model()->index(0);
    EXPECT_TRUE(controller.model()->flags(first) & Qt::ItemIsDragEnabled);
    std::unique_ptr<QMimeData> dragged(controller.model()->mimeData({first}));
    ASSERT_TRUE(dragged);
    EXPECT_EQ(dragged->urls(), QList<QUrl>{shot});
}
