// Shows the catalogue page filled from a loopback lookup service, for looking at it (screenshots
// under Xvfb): `catalogue_showcase OUT.png [--theme orange|blue] [--dark] [--page N]` grabs the
// window once the icons have arrived and quits.
#include "fakelookupservice.h"

#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "ui/viewregistry.h"
#include "zepcommon/catalogue/allappsview.h"
#include "zepcommon/catalogue/launcherbadge.h"
#include "zepcommon/catalogue/nativeappstracker.h"
#include "zepcommon/catalogue/urlschemechecker.h"
#include "zepcommon/catalogue/wishlist.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/utility/remotevalues.h"

#include <QApplication>
#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTimer>

#include <cstdio>

using namespace catalogue;

namespace {

class ShowcaseValues final : public RemoteValues {
public:
    QJsonValue valueForKey(const QString &) const override { return value; }
    bool isValueAvailable(const QString &) const override { return true; }
    QString updateNotificationName() const override { return QStringLiteral("ShowcaseUpdated"); }
    QJsonValue value;
};

class OneInstalled final : public UrlSchemeChecker {
public:
    bool canOpenUrl(const QUrl &url) const override { return url.scheme() == "tidewellnotes"; }
};

QByteArray icon(const QColor &top, const QColor &bottom, const QString &letter) {
    QImage image(256, 256, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, 256);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font;
    font.setPixelSize(150);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, letter);
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: catalogue_showcase OUT.png [--theme orange|blue] [--dark] [--page N]\n");
        return 2;
    }
    const QString out = args.takeFirst();
    ZEPThemeManager::shared().applyTheme(args.contains("blue") ? ThemeColor::Blue : ThemeColor::Orange);
    if (args.contains("--dark"))
        ZEPColors::setAppearanceOverride(ZEPColors::Appearance::Dark);
    const int page = args.contains("--page") ? args.value(args.indexOf("--page") + 1).toInt() : 0;

    FakeLookupService service;
    struct App {
        const char *id, *scheme, *name, *letter, *top, *bottom;
        double rating;
    };
    const App apps[] = {
        {"101", "tidewellnotes://", "Tidewell Notes", "N", "#FFB347", "#FF7A00", 4.7},
        {"102", "harbourscan://", "Harbour Scan", "S", "#5AC8FA", "#007AFF", 4.2},
        {"103", "saltmarsh://", "Saltmarsh PDF", "P", "#FF6B6B", "#D7263D", 3.5},
        {"104", "kelpcast://", "Kelp Cast", "K", "#34C759", "#248A3D", 4.9},
        {"105", "brinevault://", "Brine Vault", "V", "#AF52DE", "#7D3C98", 2.8},
        {"106", "tidepool://", "Tide Pool Photos", "T", "#FFD60A", "#FF9F0A", 4.0},
    };
    QJsonArray live;
    for (const App &app : apps) {
        live.append(QJsonObject{
            {"aID", app.id}, {"bID", QStringLiteral("app.maker.") + app.id}, {"scheme", app.scheme}});
        const QString path = QStringLiteral("/art/%1.png").arg(app.id);
        service.files.insert(path, icon(QColor(app.top), QColor(app.bottom), app.letter));
        service.answers.insert(
            app.id,
            QJsonDocument(QJsonObject{{"results", QJsonArray{QJsonObject{
                                                      {"trackName", app.name},
                                                      {"averageUserRating", app.rating},
                                                      {"artworkUrl100", service.url().toString() + path}}}}})
                .toJson());
    }
    service.files.insert("/soon/1.png", icon(QColor("#8E8E93"), QColor("#3A3A3C"), "L"));
    service.files.insert("/soon/2.png", icon(QColor("#64D2FF"), QColor("#0A84FF"), "W"));
    service.answers.insert("201",
                           R"({"results":[{"trackCensoredName":"Lighthouse","averageUserRating":0}]})");
    ShowcaseValues values;
    values.value = QJsonObject{
        {"live-apps", live},
        {"pre-order",
         QJsonArray{QJsonObject{{"aID", "201"}, {"bID", "app.maker.201"}, {"scheme", "lighthouse://"}}}},
        {"coming-soon",
         QJsonArray{
             QJsonObject{{"appName", "Wavelength"}, {"img", service.url().toString() + "/soon/2.png"}},
             QJsonObject{{"appName", "Driftwood"}, {"img", service.url().toString() + "/soon/1.png"}}}}};

    platform::NotificationCenter center;
    OneInstalled checker;
    NativeAppsTracker tracker(values, center, checker, {service.url(), "own", 10'000},
                              [](int count) { setLauncherBadge(count); });
    platform::Defaults defaults(QStringLiteral("catalogue-showcase"));
    defaults.remove(Wishlist::key());
    Wishlist wishlist(defaults);
    wishlist.toggle("Wavelength");
    AllAppsViewController screen(tracker, wishlist, ZEPThemeManager::shared());
    ui::ViewRegistry views;
    registerViews(views);
    QWidget *view = views.makeView(&screen);
    view->resize(440, 780);
    view->show();
    screen.beginAppearanceTransition(true);
    tracker.loadNativeApps();
    screen.setCurrentPage(page);

    QTimer::singleShot(3000, &app, [&] {
        screen.setCurrentPage(page);
        const bool saved = view->grab().save(out);
        std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(out));
        app.exit(saved ? 0 : 1);
    });
    return app.exec();
}
