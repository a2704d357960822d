// Shows one viewer in a window the way the browser opens it, for looking at it (screenshots under
// Xvfb): `viewer_showcase image FILE` presents the picture viewer full screen over a window,
// `viewer_showcase pdf FILE [FIND]` pushes the PDF reader on a navigation stack, optionally with a
// find typed in. `--zoom` zooms the picture in once it shows. Quits after `--seconds N` (default 8).
#include "browser/viewers/imagecanvas.h"
#include "browser/viewers/imageviewerview.h"
#include "browser/viewers/pdfreadercontroller.h"
#include "browser/viewers/pdfreaderview.h"
#include "browser/viewers/viewers.h"
#include "browser/viewers/viewerviews.h"
#include "ui/navigationcontroller.h"
#include "ui/navigationstack.h"
#include "ui/screenhost.h"
#include "ui/sheetcontainer.h"
#include "ui/viewregistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int seconds = 8;
    if (const int at = int(args.indexOf("--seconds")); at >= 0 && at + 1 < args.size()) {
        seconds = args.at(at + 1).toInt();
        args.remove(at, 2);
    }
    const bool zoom = args.removeAll("--zoom") > 0;
    if (args.size() < 2 || (args[0] != "image" && args[0] != "pdf")) {
        std::fprintf(stderr, "usage: viewer_showcase image|pdf FILE [FIND] [--zoom] [--seconds N]\n");
        return 2;
    }
    ui::ViewRegistry views;
    browser::registerViewerViews(views);
    browser::Viewers viewers;

    QWidget window;
    window.setWindowTitle("Tidewell");
    window.resize(1200, 900);
    window.move(0, 0);
    auto *root = new ui::ScreenController; // the stack takes it
    root->setTitle("Files");
    ui::NavigationController stack(root);
    auto *stackView = new ui::NavigationStack(&stack, views, &window);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stackView);
    ui::ScreenHost host(&window, views);
    window.show();

    if (args[0] == "image") {
        ui::SheetContainer *sheet =
            host.present(viewers.imageViewer(args[1]), ui::Presentation::fullScreen());
        if (zoom) {
            QTimer::singleShot(1500, sheet, [sheet] {
                if (auto *view = qobject_cast<browser::ImageViewerView *>(sheet->page()))
                    view->canvas()->toggleActualSize(view->canvas()->viewport()->rect().center());
            });
        }
    } else {
        ui::ScreenController *reader = viewers.pdfReader(args[1]);
        if (!reader)
            return 1;
        stack.pushScreen(reader);
        if (args.size() > 2) {
            const QString text = args[2];
            QTimer::singleShot(500, &window, [&window, text] {
                if (auto *view = window.findChild<browser::PdfReaderView *>()) {
                    view->findField()->setText(text);
                    QTimer::singleShot(4000, view, [view] { view->nextMatchButton()->click(); });
                }
            });
        }
    }
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    return app.exec();
}
