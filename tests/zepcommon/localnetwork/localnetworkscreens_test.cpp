// The permission, info and notification screens without a daemon: their states, texts and
// pictures, and what the views show of them.
#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "ui/colorresolver.h"
#include "zepcommon/localnetwork/lnamanager.h"
#include "zepcommon/localnetwork/lnapermissionscreen.h"
#include "zepcommon/localnetwork/localnetworkviews.h"
#include "zepcommon/localnetwork/reachability.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/utility/remotevalues.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace localnetwork;

namespace {

class FakeReachability final : public Reachability {
public:
    bool isReachable() const override { return reachable; }
    void set(bool value) {
        reachable = value;
        emit reachabilityChanged();
    }
    bool reachable = true;
};

class OrangeColors final : public ui::ColorResolver {
public:
    std::optional<QColor> color(const QString &name) const override {
        if (name == "ZEPColorInAppWithoutDark-orange")
            return QColor("#FF8A00");
        return std::nullopt;
    }
};

class FakeRemoteValues final : public RemoteValues {
public:
    QJsonValue valueForKey(const QString &) const override { return {}; }
    bool isValueAvailable(const QString &) const override { return false; }
    QString updateNotificationName() const override { return QStringLiteral("TestRemoteValuesUpdated"); }
};

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override { theme.applyTheme(ThemeColor::Orange); }
    std::unique_ptr<LNAPermissionScreen> makeScreen(bool alertShown) {
        defaults.setValue(LNAManager::alertShownKey(), alertShown);
        manager = std::make_unique<LNAManager>(defaults, center);
        return std::make_unique<LNAPermissionScreen>(
            *manager, reachability, remoteValues, theme, colors, [this] { return ++settingsOpened > 0; },
            center);
    }

    platform::Defaults defaults{QStringLiteral("lna-screens")};
    platform::NotificationCenter center;
    ZEPThemeManager theme;
    FakeReachability reachability;
    OrangeColors colors;
    FakeRemoteValues remoteValues;
    std::unique_ptr<LNAManager> manager;
    int settingsOpened = 0;
};

struct StateCase {
    const char *name;
    bool reachable;
    bool alertShown;
    LNAPermissionScreen::State state;
    const char *permissionText;
    const char *buttonTitle;
    const char *logo;
    bool descriptionVisible;
};

void PrintTo(const StateCase &c, std::ostream *os) {
    *os << c.name;
}

class StateTest : public ScreenTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(StateTest, ShowsTheStateWithItsTextsAndPicture) {
    const StateCase &c = GetParam();
    reachability.reachable = c.reachable;
    auto screen = makeScreen(c.alertShown);
    screen->beginAppearanceTransition(true);
    EXPECT_EQ(screen->state(), c.state);
    EXPECT_EQ(screen->permissionText(), c.permissionText);
    EXPECT_EQ(screen->buttonTitle(), c.buttonTitle);
    EXPECT_EQ(screen->logoImageName(), c.logo);
    EXPECT_EQ(screen->isDescriptionVisible(), c.descriptionVisible);
    EXPECT_EQ(screen->isNoWifiVisible(), !c.reachable);
    EXPECT_FALSE(screen->isIndicatorAnimating());
    EXPECT_FALSE(manager->hasPingSent());

    LNAPermissionView view(screen.get());
    EXPECT_EQ(view.permissionButton()->text(), c.buttonTitle);
    EXPECT_EQ(view.permissionLabel()->text(), c.permissionText);
    EXPECT_FALSE(view.logo()->pixmap().isNull()) << "no picture for " << c.logo;
}

INSTANTIATE_TEST_SUITE_P(
    States, StateTest,
    ::testing::Values(StateCase{"NoWifi", false, false, LNAPermissionScreen::State::NoWifi,
                                "Without wifi the app will not work", "Open Settings", "carpno-wi-last",
                                false},
                      StateCase{"FirstRequest", true, false, LNAPermissionScreen::State::Initial,
                                "Without this permission the app will not work", "Continue",
                                "logoInPermisson", true},
                      StateCase{"Disabled", true, true, LNAPermissionScreen::State::Disabled,
                                "Without this permission the app will not work", "Enable Local Network",
                                "logoInPermisson", true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScreenTest, TitleAndDescriptionCarryTheThemeColour) {
    auto screen = makeScreen(false);
    LNAPermissionView view(screen.get());
    EXPECT_EQ(plainText(screen->title()), "WE NEED TO CONNECT\nTO WIFI\nFOR OVER-THE-AIR\nMIRRORING");
    EXPECT_EQ(plainText(screen->description()),
              "Please give Orvanta permission to access\nthe Local Network");
    EXPECT_TRUE(view.titleLabel()->text().contains("<span style=\"color:#ff8a00\">MIRRORING</span>"));
    EXPECT_TRUE(
        view.descriptionLabel()->text().contains("<span style=\"color:#ff8a00\">Local Network</span>"));
    EXPECT_EQ(screen->infoButtonImageName(), "info-orange");
}

TEST_F(ScreenTest, ARemoteValuesUpdateTurnsContinueIntoGivePermission) {
    auto screen = makeScreen(false);
    screen->beginAppearanceTransition(true);
    ASSERT_EQ(screen->buttonTitle(), "Continue");
    center.post(remoteValues.updateNotificationName());
    QTest::qWait(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(screen->state(), LNAPermissionScreen::State::Initial);
    EXPECT_EQ(screen->buttonTitle(), "Give Permission");
    screen->beginAppearanceTransition(false);
    center.post(remoteValues.updateNotificationName()); // no longer observed
}

TEST_F(ScreenTest, LosingTheNetworkShowsNoWifiAndItsButtonOpensSettingsWithoutProbing) {
    auto screen = makeScreen(false);
    screen->beginAppearanceTransition(true);
    reachability.set(false);
    EXPECT_EQ(screen->state(), LNAPermissionScreen::State::NoWifi);
    screen->permissionBtn();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_FALSE(manager->hasPingSent());
    reachability.set(true);
    EXPECT_EQ(screen->state(), LNAPermissionScreen::State::Initial);
}

struct InfoCase {
    const char *name;
    std::optional<ThemeColor> theme;
    const char *home;
    const char *wifi;
};

void PrintTo(const InfoCase &c, std::ostream *os) {
    *os << c.name;
}

class InfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(InfoTest, PicturesFollowTheTheme) {
    ZEPThemeManager theme;
    if (GetParam().theme)
        theme.applyTheme(*GetParam().theme);
    LNAInfoViewController info(theme);
    LNAInfoView view(&info);
    EXPECT_EQ(info.imageName(LNAInfoViewController::Image::Home), GetParam().home);
    EXPECT_EQ(info.imageName(LNAInfoViewController::Image::Wifi), GetParam().wifi);
    for (int i = 0; GetParam().theme && i < LNAInfoViewController::imageCount; ++i)
        EXPECT_FALSE(view.image(LNAInfoViewController::Image(i))->pixmap().isNull());
}

INSTANTIATE_TEST_SUITE_P(Themes, InfoTest,
                         ::testing::Values(InfoCase{"Orange", ThemeColor::Orange, "Home-orange",
                                                    "bx_wifi-orange"},
                                           InfoCase{"Blue", ThemeColor::Blue, "Home-blue", "bx_wifi-blue"},
                                           InfoCase{"None", std::nullopt, "Home-", "bx_wifi-"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScreenTest, TheInfoButtonPresentsTheInfoPage) {
    auto screen = makeScreen(false);
    QSignalSpy presented(screen.get(), &ui::ScreenController::presentRequested);
    screen->infoBtnTapped();
    ASSERT_EQ(presented.count(), 1);
    auto *info = qobject_cast<LNAInfoViewController *>(presented.at(0).at(0).value<ui::ScreenController *>());
    ASSERT_NE(info, nullptr);
    delete info;
}

class NotificationTest : public ScreenTest, public NotificationPermissionScreenDelegate {
protected:
    void hasShownNotificationPopup() override { ++shown; }
    int shown = 0;
};

TEST_F(NotificationTest, AskingClosesWhateverTheAnswerAndRemembersIt) {
    platform::Defaults suite(NotificationPermissionScreen::sharedSuite());
    suite.remove(NotificationPermissionScreen::popupShownKey());
    int asked = 0;
    NotificationPermissionScreen screen(theme, colors, [&](std::function<void(bool)> done) {
        ++asked;
        done(false);
    });
    screen.setDelegate(this);
    NotificationPermissionView view(&screen);
    EXPECT_EQ(plainText(screen.note()), "Orvanta needs\npermission to send\nyou Notifications");
    EXPECT_TRUE(view.noteLabel()->text().contains("<span style=\"color:#ff8a00\">Notifications</span>"));
    QSignalSpy dismissed(&screen, &ui::ScreenController::dismissRequested);
    view.allowButton()->click();
    view.allowButton()->click(); // a second press while asking asks nothing
    ASSERT_TRUE(dismissed.wait(5000));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(platform::Defaults(NotificationPermissionScreen::sharedSuite())
                    .boolValue(NotificationPermissionScreen::popupShownKey()));
}

} // namespace
