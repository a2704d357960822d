// The browser on screen over a folder of photos: the time from opening the folder to the first
// painted frame and to the moment every visible tile shows its thumbnail, and with --scroll the peak
// resident memory while scrolling through the whole folder, a screen at a time.
//
//   browser_screen_bench --photos 500 --folder /tmp/photos-500 [--scroll]
//
// Photos (1600 × 1200 JPEGs) are made in the folder when it holds fewer. The thumbnail caches start
// empty (a fresh XDG_CACHE_HOME), so every thumbnail is decoded.
#include "browser/cellthumbnails.h"
#include "browser/filebrowserview.h"
#include "browser/filebrowserviewcontroller.h"
#include "browser/fileitemmodel.h"
#include "browser/viewerfactory.h"
#include "platform/defaults.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class NoViewers : public browser::ViewerFactory {
public:
    ui::ScreenController *imageViewer(const QString &) override { return nullptr; }
    ui::ScreenController *pdfReader(const QString &) override { return nullptr; }
};

bool makePhotos(const QString &folder, int count) {
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/photo-%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        if (QFile::exists(path))
            continue;
        QImage image(1600, 1200, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient gradient(0, 0, 1600, 1200);
        gradient.setColorAt(0, QColor::fromHsv((i * 37) % 360, 200, 230));
        gradient.setColorAt(1, QColor::fromHsv((i * 91) % 360, 160, 90));
        painter.fillRect(image.rect(), gradient);
        painter.setPen(Qt::white);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 120));
        painter.drawText(image.rect(), Qt::AlignCenter, QString::number(i));
        painter.end();
        if (!image.save(path, "JPEG", 85))
            return false;
    }
    return true;
}

qint64 peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Whether every tile in the view's visible area shows its thumbnail (or has none to show).
bool visibleThumbnailsShown(QListView *view, browser::CellThumbnails &cells,
                            const browser::FileItemModel &model) {
    const QRect area = view->viewport()->rect();
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        const QRect rect = view->visualRect(index);
        if (rect.top() > area.bottom())
            break;
        if (!rect.intersects(area))
            continue;
        const auto kind = browser::FileKind(index.data(browser::FileItemModel::KindRole).toInt());
        if (cells
                .thumbnail(index.data(browser::FileItemModel::PathRole).toString(), kind,
                           index.data(browser::FileItemModel::VersionRole).toLongLong())
                .isNull())
            return false;
    }
    return true;
}

class PaintWatcher : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

} // namespace

int main(int argc, char **argv) {
    QTemporaryDir state;
    qputenv("XDG_CACHE_HOME", (state.path() + "/cache").toUtf8());
    qputenv("XDG_CONFIG_HOME", (state.path() + "/config").toUtf8());
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"photos", "How many photos.", "N", "500"});
    parser.addOption(
        {"folder", "Where the photos are (made when missing).", "DIR", "/tmp/tidewell-photos-500"});
    parser.addOption({"scroll", "Scroll through the folder and report the peak memory."});
    parser.process(app);
    const QString folder = parser.value("folder");
    if (!makePhotos(folder, parser.value("photos").toInt())) {
        std::fprintf(stderr, "could not make the photos in %s\n", qPrintable(folder));
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    NoViewers viewers;
    platform::Defaults defaults(QStringLiteral("bench"));
    thumbnails::ThumbnailService pictures;
    thumbnails::ThumbnailService::Options pdfOptions;
    pdfOptions.generator = browser::pdfCellThumbnail;
    thumbnails::ThumbnailService pdfs(pdfOptions);
    browser::CellThumbnails cells(pictures, pdfs);
    browser::FileBrowserViewController controller(
        browser::FileBrowserEnvironment{viewers, defaults, [&] { return std::optional<QString>(folder); },
                                        [](const QString &) {
                                            return false;
                                        }});
    controller.viewDidLoad();
    ZEPThemeManager theme;
    browser::FileBrowserView view(&controller, cells, theme);
    PaintWatcher watcher;
    view.gridView()->viewport()->installEventFilter(&watcher);
    view.resize(430, 860);
    view.show();
    controller.viewWillAppear();
    while (!watcher.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 firstPaint = clock.elapsed();
    while (!visibleThumbnailsShown(view.gridView(), cells, *controller.model()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 allVisible = clock.elapsed();
    std::printf("%d entries: first painted frame after %lld ms, every visible thumbnail after %lld ms\n",
                controller.model()->rowCount(), firstPaint, allVisible);

    if (parser.isSet("scroll")) {
        QScrollBar *bar = view.gridView()->verticalScrollBar();
        QElapsedTimer scrolling;
        scrolling.start();
        for (int value = 0; value <= bar->maximum(); value += view.gridView()->viewport()->height()) {
            bar->setValue(value);
            while (!visibleThumbnailsShown(view.gridView(), cells, *controller.model()))
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        std::printf(
            "scrolled through in %lld ms, every screen's thumbnails shown; peak resident memory %.1f MiB\n",
            scrolling.elapsed(), double(peakResidentKiB()) / 1024.0);
    }
    return 0;
}
