#include "zepcommon/theme/stringutils.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/theme/zeputils.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(ThemeManagerTest, WithoutThemeNamesCarryNoSuffixAndLoadingNamesAreUnset) {
    ZEPThemeManager manager;
    EXPECT_FALSE(manager.currentTheme().has_value());
    EXPECT_EQ(manager.themeColorInAllApp(), "ZEPColorInAppWithoutDark-");
    EXPECT_EQ(manager.themeColorName(), "ZEPColorInAppWithoutDark-");
    EXPECT_EQ(manager.lnaPermissionScreenImgInfoBtn(), "info-");
    EXPECT_EQ(manager.imgInfoName(), "info-");
    EXPECT_EQ(manager.imgHeaderCellName(), "img-headerCell-");
    EXPECT_FALSE(manager.appLoadingBgColor().has_value());
    EXPECT_FALSE(manager.appLoadingProgressBarTrackTintColor().has_value());
    // The bare base names are no pictures of the bundle.
    EXPECT_TRUE(manager.imgClose().isNull());
    EXPECT_TRUE(manager.imgBack().isNull());
    EXPECT_TRUE(manager.imgSettingsClose().isNull());
}

TEST(ThemeManagerTest, ApplyThemeSetsSuffixAndBothLoadingNames) {
    ZEPThemeManager manager;
    QSignalSpy changed(&manager, &ZEPThemeManager::themeChanged);
    manager.applyTheme(ThemeColor::Blue);
    EXPECT_EQ(manager.currentTheme(), ThemeColor::Blue);
    EXPECT_EQ(manager.themeColorInAllApp(), "ZEPColorInAppWithoutDark-blue");
    EXPECT_EQ(manager.imgHeaderCellName(), "img-headerCell-blue");
    EXPECT_EQ(manager.appLoadingBgColor(), QString("ZEPColorInAppWithoutDark-blue"));
    EXPECT_EQ(manager.appLoadingProgressBarTrackTintColor(), QString("prgressBarTrackTintColor"));
    manager.applyTheme(ThemeColor::Orange);
    EXPECT_EQ(manager.lnaPermissionScreenImgInfoBtn(), "info-orange");
    EXPECT_EQ(changed.count(), 2);
}

struct ObjcThemeCase {
    const char *text;
    ThemeColor expected;
};

class ApplyThemeForObjcTest : public ::testing::TestWithParam<ObjcThemeCase> {};

TEST_P(ApplyThemeForObjcTest, OnlyExactOrangeSelectsOrangeAndTrackNameIsLeftAlone) {
    ZEPThemeManager manager;
    manager.applyThemeForObjc(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(manager.currentTheme(), GetParam().expected);
    EXPECT_EQ(manager.appLoadingBgColor(), "ZEPColorInAppWithoutDark-" + rawValue(GetParam().expected));
    EXPECT_FALSE(manager.appLoadingProgressBarTrackTintColor().has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ApplyThemeForObjcTest,
    ::testing::Values(ObjcThemeCase{"orange", ThemeColor::Orange}, ObjcThemeCase{"Orange", ThemeColor::Blue},
                      ObjcThemeCase{"ORANGE", ThemeColor::Blue}, ObjcThemeCase{"orange ", ThemeColor::Blue},
                      ObjcThemeCase{"", ThemeColor::Blue}, ObjcThemeCase{"blue", ThemeColor::Blue},
                      ObjcThemeCase{"green", ThemeColor::Blue}));

TEST(ThemeManagerTest, ApplyThemeForObjcKeepsAnEarlierTrackName) {
    ZEPThemeManager manager;
    manager.applyTheme(ThemeColor::Orange);
    manager.applyThemeForObjc("blue");
    EXPECT_EQ(manager.currentTheme(), ThemeColor::Blue);
    EXPECT_EQ(manager.appLoadingProgressBarTrackTintColor(), QString("prgressBarTrackTintColor"));
}

class ThemedPictureTest : public ::testing::TestWithParam<const char *> {};

// Every themed picture exists for both themes, and each theme's picture is drawn in its accent.
TEST_P(ThemedPictureTest, ExistsForBothThemesInTheThemeAccent) {
    const auto accentOf = [](ThemeColor theme) {
        return *ZEPColors::themeColorWithName("ZEPColorInAppWithoutDark-" + rawValue(theme));
    };
    for (ThemeColor theme : {ThemeColor::Orange, ThemeColor::Blue}) {
        ZEPThemeManager manager;
        manager.applyTheme(theme);
        const QImage image = manager.themedImage(GetParam(), QSize(48, 48));
        ASSERT_FALSE(image.isNull()) << GetParam() << rawValue(theme).toStdString();
        EXPECT_EQ(image.size(), QSize(48, 48));
        bool accentSeen = false;
        for (int y = 0; y < image.height() && !accentSeen; ++y) {
            for (int x = 0; x < image.width() && !accentSeen; ++x) {
                const QColor pixel = image.pixelColor(x, y);
                accentSeen = pixel.alpha() == 255 && pixel.rgb() == accentOf(theme).rgb();
            }
        }
        EXPECT_TRUE(accentSeen) << GetParam() << rawValue(theme).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Bases, ThemedPictureTest,
                         ::testing::Values("info-", "img-close-", "img-settingsClose-", "back-",
                                           "img-headerCell-", "Home-", "Lock-", "bx_wifi-", "Settings-",
                                           "img-filledStar-", "img-emptyStar-"));

TEST(ThemeManagerTest, PictureAccessorsLoadTheThemedPictures) {
    ZEPThemeManager manager;
    manager.applyTheme(ThemeColor::Orange);
    EXPECT_FALSE(manager.imgClose().isNull());
    EXPECT_FALSE(manager.imgBack().isNull());
    EXPECT_FALSE(manager.imgSettingsClose().isNull());
    EXPECT_TRUE(manager.themedImage("no-such-picture-").isNull());
    EXPECT_TRUE(ZEPThemeManager::bundleImage("").isNull());
}

struct ColorCase {
    const char *name;
    ZEPColors::Appearance appearance;
    std::optional<QRgb> expected;
};

class ColorResolutionTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorResolutionTest, ResolvesForAppearance) {
    const auto color = ZEPColors::themeColorWithName(GetParam().name, GetParam().appearance);
    ASSERT_EQ(color.has_value(), GetParam().expected.has_value()) << GetParam().name;
    if (color) {
        EXPECT_EQ(color->rgba(), *GetParam().expected) << GetParam().name;
    }
}

using Look = ZEPColors::Appearance;
INSTANTIATE_TEST_SUITE_P(
    Catalogue, ColorResolutionTest,
    ::testing::Values(ColorCase{"ZEPBGColor", Look::Light, qRgb(0xF2, 0xF2, 0xF7)},
                      ColorCase{"ZEPBGColor", Look::Dark, qRgb(0, 0, 0)},
                      ColorCase{"ZEPCellTextColor", Look::Dark, qRgb(0xFF, 0xFF, 0xFF)},
                      // Colours without a dark variant keep their one value in dark mode.
                      ColorCase{"ZEPColorInAppWithoutDark-orange", Look::Dark, qRgb(0xFF, 0x8A, 0x00)},
                      ColorCase{"ZEPColorInAppWithoutDark-blue", Look::Light, qRgb(0x1E, 0x7B, 0xF0)},
                      ColorCase{"prgressBarTrackTintColor", Look::Light, qRgba(0xFF, 0xFF, 0xFF, 0x59)},
                      // The name without a theme suffix and unknown names are no assets.
                      ColorCase{"ZEPColorInAppWithoutDark-", Look::Light, std::nullopt},
                      ColorCase{"zepbgcolor", Look::Light, std::nullopt},
                      ColorCase{"", Look::Dark, std::nullopt}));

class NamedColorTest : public ::testing::TestWithParam<QString> {};

TEST_P(NamedColorTest, EveryColourTheScreensNameExists) {
    EXPECT_TRUE(ZEPColors::themeColorWithName(GetParam(), Look::Light).has_value());
    EXPECT_TRUE(ZEPColors::themeColorWithName(GetParam(), Look::Dark).has_value());
}

INSTANTIATE_TEST_SUITE_P(Names, NamedColorTest,
                         ::testing::Values(ZEPColors::background(), ZEPColors::cellBackground(),
                                           ZEPColors::cellSeperator(), ZEPColors::cellText(),
                                           ZEPColors::sectionHeaderText(), ZEPColors::titleText(),
                                           "ZEPAppLoadingBGColor", "progressBarTrackTintColorForBlackBG",
                                           "prgressBarTrackTintColor", "defaultTrackTintColor",
                                           "placeholderTextColor", "AllAppsopenBtnBgColor",
                                           "ZEPColorInAppWithoutDark-orange",
                                           "ZEPColorInAppWithoutDark-blue"));

TEST(ColorsTest, CurrentAppearanceFollowsTheOverride) {
    ZEPColors::setAppearanceOverride(Look::Dark);
    EXPECT_EQ(ZEPColors::themeColorWithName("ZEPTitleColor")->rgb(), qRgb(0xFF, 0xFF, 0xFF));
    ZEPColors::setAppearanceOverride(Look::Light);
    EXPECT_EQ(ZEPColors::themeColorWithName("ZEPTitleColor")->rgb(), qRgb(0, 0, 0));
    ZEPColors::setAppearanceOverride(std::nullopt);
}

struct SafeStringCase {
    QString text;
    bool hasValue;
    QString safe;
};

class StringUtilsTest : public ::testing::TestWithParam<SafeStringCase> {};

TEST_P(StringUtilsTest, SafeFormOfText) {
    EXPECT_EQ(StringUtils::hasValue(GetParam().text), GetParam().hasValue);
    const QString safe = StringUtils::getSafeString(GetParam().text);
    EXPECT_EQ(safe, GetParam().safe);
    EXPECT_FALSE(safe.isNull()); // the empty text, never an absent one
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringUtilsTest,
    ::testing::Values(SafeStringCase{QString(), false, ""}, SafeStringCase{QString(""), false, ""},
                      SafeStringCase{" ", true, " "}, SafeStringCase{"abc", true, "abc"},
                      SafeStringCase{QString::fromUtf8("ü,é"), true, QString::fromUtf8("ü,é")}));

TEST(ZEPUtilsTest, CommonBundleIsAResourceFolderWithTheCatalogue) {
    EXPECT_EQ(ZEPUtils::commonBundle(), ":/ZEPCommon.bundle");
    EXPECT_TRUE(QFileInfo(ZEPUtils::commonBundle()).isDir());
    EXPECT_TRUE(QFileInfo::exists(ZEPUtils::commonBundlePath("colors.json")));
}

TEST(ZEPUtilsTest, SwitchHandlerIsSettableAndClearable) {
    EXPECT_FALSE(ZEPUtils::switchTappedHandler());
    std::vector<std::pair<bool, int>> calls;
    ZEPUtils::setSwitchTappedHandler([&](bool on, const QModelIndex &index) {
        calls.push_back({on, index.row()});
    });
    ZEPUtils::switchTappedHandler()(true, QModelIndex());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].first);
    ZEPUtils::setSwitchTappedHandler({});
    EXPECT_FALSE(ZEPUtils::switchTappedHandler());
}

} // namespace
