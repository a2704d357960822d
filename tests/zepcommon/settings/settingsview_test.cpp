// The settings page's widgets: band heights, the icon rule, the header animation, names for
// every control, and clicks reaching the rows and the switch.
#include "platform/notificationcenter.h"
#include "zepcommon/loading/rlottieplayer.h"
#include "zepcommon/settings/settingsscreen.h"
#include "zepcommon/settings/settingsview.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/theme/zeputils.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(SettingsRowIconTest, WhitePictureCentredOnTheTintedTile) {
    const QColor tile = QColor::fromRgbF(0.91, 0.37, 0.30);
    const QImage icon = settingsRowIcon(QStringLiteral("settings-rating"), tile, 2);
    ASSERT_EQ(icon.size(), QSize(64, 64));
    EXPECT_EQ(icon.pixelColor(32, 30), QColor(Qt::white)) << "the star's middle";
    EXPECT_EQ(icon.pixelColor(10, 32).rgb(), tile.rgb()) << "the tile beside the picture";
    EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0) << "rounded corner";
    EXPECT_EQ(settingsRowIcon(QStringLiteral("no-such-picture"), tile, 2).pixelColor(32, 32).rgb(),
              tile.rgb());
}

TEST(SettingsViewTest, BandsControlsAndClicks) {
    ZEPThemeManager theme;
    theme.applyTheme(ThemeColor::Blue);
    platform::NotificationCenter center;
    QStringList opened;
    SettingsScreen screen({center,
                           {},
                           [&opened](const QUrl &url) { return opened << url.toString(), true; },
                           {},
                           "Tidewell",
                           "3.0"});
    screen.setDataArray({{QStringLiteral("Empty"), QList<SettingsRowData>{}},
                         {QStringLiteral("Rows"),
                          QList{SettingsRowData(QStringLiteral("FAQs"), QStringLiteral("settings-faqs"),
                                                std::nullopt, RowType::FAQs, false),
                                SettingsRowData(QStringLiteral("Sync"), QStringLiteral("settings-share"),
                                                std::nullopt, RowType::SwitchBtn, false)}}});
    std::vector<bool> switched;
    ZEPUtils::setSwitchTappedHandler([&switched](bool on, const QModelIndex &) { switched.push_back(on); });
    SettingsView view(&screen, theme);
    view.resize(400, 800);
    view.show();

    auto *header = view.findChild<SettingsHeaderCell *>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->height(), 300);
    EXPECT_TRUE(header->player()->isLoaded()) << "the animation of the maker's apps";
    const QList<SettingsCell *> cards = view.findChildren<SettingsCell *>();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_EQ(cards[0]->height(), 20);
    EXPECT_EQ(cards[1]->height(), 2 * 45 + 20);

    const QList<SettingsInfoCell *> rows = view.findChildren<SettingsInfoCell *>();
    ASSERT_EQ(rows.size(), 2);
    for (QWidget *control : view.findChildren<QWidget *>()) {
        const bool reachable = control->focusPolicy() != Qt::NoFocus && control->isVisible();
        EXPECT_TRUE(!reachable || !control->accessibleName().isEmpty()) << control->metaObject()->className();
    }

    QTest::mouseClick(rows[0], Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{"https://www.tidewell.app/support/"});
    QTest::mouseClick(rows[1], Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_TRUE(switched.empty()) << "the body of a switch row does nothing";
    auto *switchBtn = rows[1]->findChild<QCheckBox *>();
    ASSERT_NE(switchBtn, nullptr);
    switchBtn->click();
    EXPECT_EQ(switched, std::vector<bool>{true});
    EXPECT_TRUE(rows[1]->switchState());
    ZEPUtils::setSwitchTappedHandler({});
}

// Screen readers see the header as the catalogue's button when it opens one, else as a picture.
TEST(SettingsViewTest, HeaderIsAButtonForScreenReadersOnlyWithTheCatalogue) {
    ZEPThemeManager theme;
    platform::NotificationCenter center;
    for (const bool withCatalogue : {false, true}) {
        int catalogueOpened = 0;
        SettingsHooks hooks;
        if (withCatalogue)
            hooks.openCatalogue = [&catalogueOpened](ui::ScreenController *) {
                ++catalogueOpened;
            };
        SettingsScreen screen({center, {}, {}, hooks, "Tidewell", "3.0"});
        SettingsView view(&screen, theme);
        auto *header = view.findChild<SettingsHeaderCell *>();
        ASSERT_NE(header, nullptr);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(header);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), withCatalogue ? QAccessible::Button : QAccessible::Graphic);
        QAccessibleActionInterface *actions = accessible->actionInterface();
        ASSERT_NE(actions, nullptr);
        EXPECT_EQ(actions->actionNames().contains(QAccessibleActionInterface::pressAction()), withCatalogue);
        actions->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(catalogueOpened, withCatalogue ? 1 : 0);
    }
}

} // namespace
