// The catalogue page's widgets: paging by buttons and arrow keys, the icons from the lookup
// service, and an accessible name on every control.
#include "fakelookupservice.h"

#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "zepcommon/catalogue/allappsview.h"
#include "zepcommon/catalogue/nativeappstracker.h"
#include "zepcommon/catalogue/urlschemechecker.h"
#include "zepcommon/catalogue/wishlist.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/utility/remotevalues.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace catalogue;

namespace {

class ListValues final : public RemoteValues {
public:
    QJsonValue valueForKey(const QString &) const override { return value; }
    bool isValueAvailable(const QString &) const override { return true; }
    QString updateNotificationName() const override { return QStringLiteral("ViewTestUpdated"); }
    QJsonValue value;
};

class NothingInstalled final : public UrlSchemeChecker {
public:
    bool canOpenUrl(const QUrl &) const override { return false; }
};

QByteArray redSquare() {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

TEST(AllAppsViewTest, PagesColumnsOfSixWithAccessibleControls) {
    FakeLookupService service;
    service.files.insert("/icon.png", redSquare());
    ListValues values;
    QJsonArray live;
    for (int i = 1; i <= 8; ++i) {
        const QString id = QString::number(i);
        live.append(QJsonObject{{"aID", id}, {"bID", "b" + id}, {"scheme", "s" + id + "://"}});
        service.answers.insert(id,
                               QStringLiteral(R"({"results":[{"trackName":"App %1","artworkUrl60":"%2"}]})")
                                   .arg(id, service.url().toString() + "/icon.png")
                                   .toUtf8());
    }
    values.value = QJsonObject{{"live-apps", live}};
    platform::NotificationCenter center;
    NothingInstalled checker;
    NativeAppsTracker tracker(values, center, checker, {service.url(), "own", 10'000}, {});
    platform::Defaults defaults(QStringLiteral("catalogue-view-test"));
    Wishlist wishlist(defaults);
    ZEPThemeManager theme;
    AllAppsViewController screen(tracker, wishlist, theme);
    AllAppsView view(&screen);
    view.resize(420, 760);
    view.show();
    screen.beginAppearanceTransition(true);
    EXPECT_TRUE(view.emptyLabel()->isVisibleTo(&view)) << "an empty list says so";
    bool lookupsDone = false;
    QObject::connect(&tracker, &NativeAppsTracker::allLookupsFinished, [&lookupsDone] { lookupsDone = true; });
    tracker.loadNativeApps();

    // Every cell's name and icon come from its own lookup: wait for all of them, not only the first.
    QTRY_VERIFY_WITH_TIMEOUT(lookupsDone, 10'000);

    QTRY_COMPARE_WITH_TIMEOUT(view.cell(0)->appName()->text(), QStringLiteral("App 1"), 10'000);
    QTRY_VERIFY_WITH_TIMEOUT(
        view.cell(0)->appIcon()->pixmap().toImage().pixelColor(30, 30) == QColor(Qt::red), 10'000);
    EXPECT_EQ(view.collectionView()->width(), view.width() * 9 / 10);
    EXPECT_FALSE(view.emptyLabel()->isVisibleTo(&view));
    EXPECT_FALSE(view.previousButton()->isEnabled());
    for (QWidget *control : view.findChildren<QWidget *>()) {
        const bool isControl = qobject_cast<QAbstractButton *>(control) || qobject_cast<QLabel *>(control);
        if (isControl && control->isVisibleTo(&view)) {
            EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
        }
    }

    view.nextButton()->click();
    EXPECT_EQ(view.cell(0)->appName()->text(), "App 7");
    EXPECT_TRUE(view.cell(1)->isVisibleTo(&view));
    EXPECT_FALSE(view.cell(2)->isVisibleTo(&view));
    EXPECT_FALSE(view.nextButton()->isEnabled());
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.cell(0)->appName()->text(), "App 1");
    screen.beginAppearanceTransition(false);
}

} // namespace
