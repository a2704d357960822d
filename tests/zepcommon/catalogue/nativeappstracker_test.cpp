// The catalogue's list, lookups, installed test, badge and wishlist, against a loopback lookup
// service.
#include "fakelookupservice.h"

#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "testenvironment.h"
#include "zepcommon/catalogue/allappsviewcontroller.h"
#include "zepcommon/catalogue/nativeappstracker.h"
#include "zepcommon/catalogue/urlschemechecker.h"
#include "zepcommon/catalogue/wishlist.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/utility/remotevalues.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace catalogue;

namespace {

QJsonValue json(const char *text) {
    return QJsonDocument::fromJson(text).object();
}

class FakeRemoteValues final : public RemoteValues {
public:
    QJsonValue valueForKey(const QString &key) const override {
        return key == "u.a.l.2" ? value : QJsonValue();
    }
    bool isValueAvailable(const QString &) const override { return !value.isUndefined(); }
    QString updateNotificationName() const override { return QStringLiteral("TestRemoteValuesUpdated"); }
    QJsonValue value;
};

class FakeChecker final : public UrlSchemeChecker {
public:
    bool canOpenUrl(const QUrl &url) const override { return installed.contains(url.toString()); }
    QSet<QString> installed;
};

QStringList summary(const NativeAppList &list) {
    QStringList out;
    for (const auto &app : list)
        out << QStringLiteral("%1:%2")
                   .arg(int(app->status))
                   .arg(app->storeID.value_or(app->appName.value_or("?")));
    return out;
}

struct ParseCase {
    const char *name;
    const char *remote;
    QStringList expected;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, BuildsTheList) {
    EXPECT_EQ(summary(parseNativeApps(json(GetParam().remote), "app.tidewell.Tidewell")),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Remote, ParseTest,
    ::testing::Values(ParseCase{"Order",
                                R"({"coming-soon":[{"appName":"Soon","img":"http://x/s.png"}],
                  "pre-order":[{"aID":"2","bID":"b2","scheme":"b2://"}],
                  "live-apps":[{"aID":"1","bID":"b1","scheme":"b1://"}]})",
                                {"0:1", "2:2", "1:Soon"}},
                      ParseCase{"OwnIdentifierLeftOut",
                                R"({"live-apps":[{"aID":"1","bID":"app.tidewell.Tidewell","scheme":"t://"},
                  {"aID":"3","bID":"b3","scheme":"b3://"}]})",
                                {"0:3"}},
                      ParseCase{"ElementWithoutSchemeSkipped",
                                R"({"live-apps":[{"aID":"1","bID":"b1"},
                  {"aID":"3","bID":"b3","scheme":"b3://"}]})",
                                {"0:3"}},
                      ParseCase{"NonTextSkipped",
                                R"({"live-apps":[{"aID":4,"bID":"b4","scheme":"b4://"}],
                  "coming-soon":[{"appName":"NoPicture"},{"appName":"Ok","img":"i"}],"pre-order":{}})",
                                {"1:Ok"}},
                      ParseCase{"NotAnObject", "[]", {}}),
    [](const auto &info) { return std::string(info.param.name); });

struct LookupCase {
    const char *name;
    const char *body;
    std::optional<QString> appName;
    std::optional<QString> artwork;
    double rating;
    bool error;
};

class LookupAnswerTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LookupAnswerTest, FillsTheFieldsWithFallbacks) {
    NativeAppData app;
    const auto error = applyLookupAnswer(app, GetParam().body);
    EXPECT_EQ(error.has_value(), GetParam().error);
    EXPECT_EQ(app.name, GetParam().appName);
    EXPECT_EQ(app.artworkURL, GetParam().artwork);
    EXPECT_DOUBLE_EQ(app.rating, GetParam().rating);
}

INSTANTIATE_TEST_SUITE_P(
    Store, LookupAnswerTest,
    ::testing::Values(
        LookupCase{"Preferred",
                   R"({"results":[{"trackCensoredName":"C","trackName":"T","artworkUrl512":"a512",
                   "artworkUrl100":"a100","artworkUrl60":"a60","averageUserRating":4.5}]})",
                   "C", "a512", 4.5, false},
        LookupCase{"TrackNameAndArtwork60", R"({"results":[{"trackName":"T","artworkUrl60":"a60"}]})", "T",
                   "a60", 0, false},
        LookupCase{"Artwork100",
                   R"({"results":[{"trackName":"T","artworkUrl512":5,"artworkUrl100":"a100"}]})", "T", "a100",
                   0, false},
        LookupCase{"WrongTypes", R"({"results":[{"trackName":1,"averageUserRating":"4"}]})", std::nullopt,
                   std::nullopt, 0, false},
        LookupCase{"NoResults", R"({"resultCount":0,"results":[]})", std::nullopt, std::nullopt, 0, false},
        LookupCase{"NotJson", "<html>", std::nullopt, std::nullopt, 0, true}),
    [](const auto &info) { return std::string(info.param.name); });

class TrackerTest : public ::testing::Test {
protected:
    std::unique_ptr<NativeAppsTracker> makeTracker(int timeoutMs = 10'000) {
        NativeAppsTracker::Settings settings;
        settings.lookupService = service.url();
        settings.ownBundleID = "own";
        settings.lookupTimeoutMs = timeoutMs;
        return std::make_unique<NativeAppsTracker>(remote, center, checker, settings,
                                                   [this](int count) { badges << count; });
    }
    static QByteArray lookup(const char *name) {
        return QStringLiteral(R"({"results":[{"trackName":"%1","averageUserRating":4}]})").arg(name).toUtf8();
    }

    FakeLookupService service;
    FakeRemoteValues remote;
    FakeChecker checker;
    platform::NotificationCenter center;
    QList<int> badges;
};

TEST_F(TrackerTest, AtMostThreeLookupsAtOnce) {
    remote.value =
        json(R"({"live-apps":[{"aID":"1","bID":"b1","scheme":"a1://"},{"aID":"2","bID":"b2","scheme":"a2://"},
        {"aID":"3","bID":"b3","scheme":"a3://"},{"aID":"4","bID":"b4","scheme":"a4://"},
        {"aID":"5","bID":"b5","scheme":"a5://"}]})");
    for (const char *id : {"1", "2", "3", "4", "5"}) {
        service.held.insert(id);
        service.answers.insert(id, lookup(id));
    }
    auto tracker = makeTracker();
    QSignalSpy done(tracker.get(), &NativeAppsTracker::allLookupsFinished);
    tracker->loadNativeApps();
    QTRY_COMPARE_WITH_TIMEOUT(service.requests, 3, 10'000);
    EXPECT_EQ(tracker->operationQueue().runningCount(), 3);
    EXPECT_EQ(tracker->operationQueue().operationCount(), 5);
    while (done.isEmpty()) {
        service.release();
        QTest::qWait(20);
    }
    EXPECT_EQ(service.requests, 5);
    EXPECT_EQ(service.maxInFlight, 3);
    for (const auto &app : tracker->nativeAppsList())
        EXPECT_EQ(app->name, app->storeID) << "filled in place";
}

TEST_F(TrackerTest, BadgeCountsEveryAppNotInstalledWhenTheLastLookupEnds) {
    remote.value = json(R"({"live-apps":[{"aID":"1","bID":"b1","scheme":"one://open"},
        {"aID":"2","bID":"b2","scheme":"two://open"},{"aID":"9","bID":"own","scheme":"own://"}],
        "pre-order":[{"aID":"3","bID":"b3","scheme":"three://open"}],
        "coming-soon":[{"appName":"A","img":"a"},{"appName":"B","img":"b"}]})");
    checker.installed = {"one://open"};
    service.answers.insert("1", lookup("One")); // 2 answers 404, 3 answers nothing useful
    service.answers.insert("3", "not json");
    auto tracker = makeTracker();
    QSignalSpy done(tracker.get(), &NativeAppsTracker::allLookupsFinished);
    tracker->loadNativeApps();
    ASSERT_TRUE(done.wait(10'000));
    EXPECT_EQ(badges, QList<int>{4}); // two, three and both coming-soon entries
    EXPECT_FALSE(tracker->areAllAppsInstalled());
    EXPECT_EQ(tracker->nativeAppsList().at(0)->name, "One");
    EXPECT_EQ(tracker->nativeAppsList().at(1)->name, std::nullopt);

    checker.installed = {"one://open", "two://open", "three://open"};
    EXPECT_EQ(tracker->remainingNotInstalledApps(), 2) << "installed state is asked again";
}

TEST_F(TrackerTest, TimedOutLookupLeavesTheAppEmpty) {
    remote.value = json(R"({"live-apps":[{"aID":"7","bID":"b7","scheme":"s://"}]})");
    service.held.insert("7");
    auto tracker = makeTracker(50);
    QSignalSpy done(tracker.get(), &NativeAppsTracker::allLookupsFinished);
    tracker->loadNativeApps();
    ASSERT_TRUE(done.wait(10'000));
    EXPECT_EQ(tracker->nativeAppsList().at(0)->name, std::nullopt);
    EXPECT_EQ(badges, QList<int>{1});
}

TEST_F(TrackerTest, RebuildsOnRemoteValuesUpdate) {
    auto tracker = makeTracker();
    EXPECT_TRUE(tracker->areAllAppsInstalled()) << "an empty list";
    remote.value = json(R"({"coming-soon":[{"appName":"A","img":"a"},{"appName":"B","img":"b"}]})");
    center.post(remote.updateNotificationName());
    QTRY_COMPARE_WITH_TIMEOUT(tracker->nativeAppsList().size(), 2, 5'000);
    EXPECT_EQ(tracker->remainingNotInstalledApps(), 2);
    EXPECT_EQ(service.requests, 0) << "coming-soon apps are not looked up";
}

TEST_F(TrackerTest, CellButtonsAndTheWishlist) {
    remote.value = json(
        R"({"live-apps":[{"aID":"1","bID":"b1","scheme":"one://"},{"aID":"2","bID":"b2","scheme":"two://"}],
        "pre-order":[{"aID":"3","bID":"b3","scheme":"three://"}],"coming-soon":[{"appName":"Soon","img":"s"}]})");
    checker.installed = {"one://"};
    auto tracker = makeTracker();
    tracker->loadNativeApps();
    platform::Defaults defaults(QStringLiteral("catalogue-test"));
    Wishlist wishlist(defaults);
    ZEPThemeManager theme;
    theme.applyTheme(ThemeColor::Orange);
    AllAppsViewController screen(*tracker, wishlist, theme);
    screen.loadViewIfNeeded();
    QSignalSpy opened(&screen, &AllAppsViewController::openUrlRequested);

    EXPECT_EQ(screen.cell(0).buttonTitle, "Open");
    EXPECT_EQ(screen.cell(1).buttonImageName, "img-appInstall-orange");
    EXPECT_EQ(screen.cell(1).buttonBackgroundColorName, "");
    EXPECT_EQ(screen.cell(2).buttonTitle, "GET");
    EXPECT_EQ(screen.cell(2).statusText, "Available for Pre-order");
    EXPECT_EQ(screen.cell(3).statusText, "Coming Soon");
    EXPECT_EQ(screen.cell(3).buttonTitle, "Add");

    screen.installOrOpenButtonPressed(0);
    screen.installOrOpenButtonPressed(1);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened.at(0).at(0).toUrl(), QUrl("one://"));
    EXPECT_EQ(opened.at(1).at(0).toUrl(), QUrl("https://apps.apple.com/app/id2"));

    screen.installOrOpenButtonPressed(3);
    EXPECT_EQ(screen.cell(3).buttonTitle, "Added");
    EXPECT_EQ(defaults.value(Wishlist::key()).toStringList(), QStringList{"Soon"});
    screen.installOrOpenButtonPressed(3);
    EXPECT_EQ(screen.cell(3).buttonTitle, "Add");
    EXPECT_EQ(defaults.value(Wishlist::key()).toStringList(), QStringList{});
}

TEST(NativeAppDataTest, InvalidUrlKeepsTheLastAnswer) {
    class OpensEverything final : public UrlSchemeChecker {
    public:
        bool canOpenUrl(const QUrl &) const override { return true; }
    } checker;
    NativeAppData app;
    app.urlScheme = "not a url";
    EXPECT_FALSE(app.isInstalled(checker)) << "never asked, counted as not installed";
    app.urlScheme = "one://open";
    EXPECT_TRUE(app.isInstalled(checker));
    app.urlScheme = "not a url";
    EXPECT_TRUE(app.isInstalled(checker)) << "the remembered answer";
}

TEST(DesktopUrlSchemeCheckerTest, FollowsTheRegisteredSchemeHandlers) {
    // The test's own XDG folders: one application that claims the scheme.
    testsupport::writeFile(testsupport::sandboxRoot() + "/data/applications/tidewell-catalogue-test.desktop",
                           "[Desktop Entry]\nType=Application\nName=Catalogue Test\nExec=true %u\n"
                           "MimeType=x-scheme-handler/tidewellcataloguetest;\n");
    // Named as the default too, for desktops whose xdg-mime asks only the MIME associations.
    testsupport::writeFile(testsupport::sandboxRoot() + "/config/mimeapps.list",
                           "[Default Applications]\n"
                           "x-scheme-handler/tidewellcataloguetest=tidewell-catalogue-test.desktop\n");
    DesktopUrlSchemeChecker checker(QStringLiteral("xdg-mime"), 0);
    EXPECT_TRUE(checker.canOpenUrl(QUrl("tidewellcataloguetest://open")));
    EXPECT_FALSE(checker.canOpenUrl(QUrl("tidewellnosuchscheme://open")));

    // A removed handler is noticed by the next answer after the background question.
    QFile::remove(testsupport::sandboxRoot() + "/data/applications/tidewell-catalogue-test.desktop");
    QSignalSpy changed(&checker, &DesktopUrlSchemeChecker::answersChanged);
    EXPECT_TRUE(checker.canOpenUrl(QUrl("tidewellcataloguetest://again"))) << "remembered until asked again";
    ASSERT_TRUE(changed.wait(10'000));
    EXPECT_FALSE(checker.canOpenUrl(QUrl("tidewellcataloguetest://again")));
}

} // namespace
