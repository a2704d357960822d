// Shows the rating screens in a window for looking at them (screenshots under Xvfb) and saves the
// window's picture: `rating_showcase popup|write|typed|share|stars OUT.png [--dark] [--blue]`.
// popup presents the rating pop-up over a page; write presses Love It; typed also types a review;
// share sends it; stars shows the star view in its three fill modes. Nothing is opened outside:
// URLs are printed.
#include "ui/screenhost.h"
#include "ui/viewregistry.h"
#include "zepcommon/rating/cosmosview.h"
#include "zepcommon/rating/ratingflow.h"
#include "zepcommon/rating/ratingpopupcontroller.h"
#include "zepcommon/rating/ratingviews.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QWidget *starsPage() {
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    const char *modes[] = {"full", "half", "precise"};
    const double ratings[] = {0, 2.5, 3.7, 5};
    for (int mode = 0; mode < 3; ++mode) {
        grid->addWidget(new QLabel(QString::fromLatin1(modes[mode])), 0, mode + 1);
        for (int row = 0; row < 4; ++row) {
            if (mode == 0)
                grid->addWidget(new QLabel(QString::number(ratings[row])), row + 1, 0);
            auto *view = new rating::CosmosView;
            view->setFillMode(mode);
            view->setRating(ratings[row]);
            if (row == 2)
                view->setText(QStringLiteral("(128)"));
            grid->addWidget(view, row + 1, mode + 1);
        }
    }
    auto *big = new rating::CosmosView;
    big->setStarSize(40);
    big->setFillMode(2);
    big->setRating(3.3);
    grid->addWidget(big, 5, 0, 1, 4, Qt::AlignHCenter);
    auto *rtl = new rating::CosmosView;
    rtl->setLayoutDirection(Qt::RightToLeft);
    rtl->setFillMode(1);
    rtl->setRating(1.5);
    rtl->setText(QStringLiteral("RTL"));
    grid->addWidget(rtl, 6, 0, 1, 4, Qt::AlignHCenter);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(4, 1);
    return page;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Tidewell"));
    QStringList args = app.arguments().mid(1);
    const bool dark = args.removeAll("--dark") > 0;
    const bool blue = args.removeAll("--blue") > 0;
    const QStringList modes{"popup", "write", "typed", "share", "stars"};
    if (args.size() != 2 || !modes.contains(args[0])) {
        std::fprintf(stderr,
                     "usage: rating_showcase popup|write|typed|share|stars OUT.png [--dark] [--blue]\n");
        return 2;
    }
    const QString mode = args[0];
    const QString out = args[1];
    ZEPThemeManager::shared().applyTheme(blue ? ThemeColor::Blue : ThemeColor::Orange);
    ZEPColors::setAppearanceOverride(dark ? ZEPColors::Appearance::Dark : ZEPColors::Appearance::Light);

    QWidget window;
    window.resize(480, 760);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(
        QPalette::Window,
        ZEPColors::themeColorWithName(ZEPColors::background()).value_or(QColor(0xF2, 0xF2, 0xF7)));
    palette.setColor(QPalette::WindowText,
                     ZEPColors::themeColorWithName(ZEPColors::titleText()).value_or(Qt::black));
    window.setPalette(palette);
    auto *column = new QVBoxLayout(&window);
    if (mode == "stars") {
        column->addWidget(starsPage());
    } else {
        auto *title = new QLabel(QStringLiteral("Settings"));
        QFont font = title->font();
        font.setPixelSize(28);
        font.setBold(true);
        title->setFont(font);
        column->addWidget(title);
        column->addWidget(new QLabel(QStringLiteral("Rate Us\nShare the App\nWrite a Review\nFeedback")));
        column->addStretch();
    }

    ui::ViewRegistry views;
    rating::registerViews(views);
    ui::ScreenHost host(&window, views);
    ui::ScreenController root;
    host.attach(&root);

    rating::ReviewServices services = rating::ReviewServices::desktop();
    services.openUrl = [](const QUrl &url) {
        std::printf("open %s\n", qPrintable(url.toString()));
        return true;
    };
    window.show();
    if (mode != "stars") {
        rating::RatingPopUpController *popUp =
            rating::presentRatingPopUp(&root, QStringLiteral("1234567890"), services);
        if (mode != "popup")
            QTimer::singleShot(200, popUp, &rating::RatingPopUpController::loveItButtonPressed);
    }
    QTimer::singleShot(500, &window, [&] {
        auto *field = window.findChild<QPlainTextEdit *>(QStringLiteral("textView"));
        if ((mode == "typed" || mode == "share") && field)
            QTest::keyClicks(field, "Moves my photos to the laptop in seconds. Love it!");
        if (mode == "share") {
            if (auto *send = window.findChild<QPushButton *>(QStringLiteral("sendButton")))
                send->click();
        }
    });
    QTimer::singleShot(1200, &window, [&] {
        if (!window.grab().save(out)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
            QApplication::exit(1);
            return;
        }
        QApplication::quit();
    });
    return app.exec();
}
