// The settings screen's bands, its cards' rows and taps, and the sign-in row following the
// account notifications.
#include "platform/notificationcenter.h"
#include "zepcommon/settings/settingslinks.h"
#include "zepcommon/settings/settingsscreen.h"
#include "zepcommon/theme/zeputils.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Kind = SettingsScreen::SectionKind;

SettingsRowData rowOf(RowType type) {
    return SettingsRowData(QStringLiteral("row %1").arg(int(type)), QStringLiteral("settings-faqs"),
                           std::nullopt, type, false);
}

class SettingsScreenTest : public ::testing::Test {
protected:
    void TearDown() override { ZEPUtils::setSwitchTappedHandler({}); }

    SettingsScreen &screenWith(QList<SettingsSectionData> sections, SettingsHooks hooks = {}) {
        m_screen = std::make_unique<SettingsScreen>(
            SettingsEnvironment{m_center,
                                {[this] { return m_valid; }, [this](bool valid) { m_valid = valid; },
                                 [] {
                                     return QStringLiteral("ada@example.org");
                                 }},
                                [this](const QUrl &url) {
                                    m_log << url.toString();
                                    return true;
                                },
                                std::move(hooks),
                                QStringLiteral("Tidewell"),
                                QStringLiteral("2.4.1")});
        m_screen->setDataArray(std::move(sections));
        return *m_screen;
    }
    SettingsHooks recordingHooks() {
        const auto hook = [this](const char *name) {
            return [this, name](ui::ScreenController *from) {
                m_log << QString::fromLatin1(name) +
                             (from == m_screen.get() ? " from the screen" : " elsewhere");
            };
        };
        return {hook("account"), hook("review"), hook("catalogue"), [this](const SettingsRowData &row) {
                    m_log << "custom " + row.title.value_or(QString());
                }};
    }

    platform::NotificationCenter m_center;
    bool m_valid = false;
    QStringList m_log;
    std::unique_ptr<SettingsScreen> m_screen;
};

TEST_F(SettingsScreenTest, BandsAroundTheCards) {
    SettingsScreen &empty = screenWith({});
    ASSERT_EQ(empty.sectionCount(), 2);
    EXPECT_EQ(empty.sectionKind(0), Kind::Header);
    EXPECT_EQ(empty.sectionKind(1), Kind::Version);
    EXPECT_EQ(empty.sectionHeight(0), 300);
    EXPECT_EQ(empty.sectionHeight(1), 40);
    EXPECT_EQ(empty.card(1), nullptr);
    EXPECT_EQ(empty.versionText(), "Tidewell \n v2.4.1");

    SettingsScreen &three =
        screenWith({{QStringLiteral("None"), std::nullopt},
                    {QStringLiteral("One"), QList{rowOf(RowType::FAQs)}},
                    {QStringLiteral("Three"),
                     QList{rowOf(RowType::Share), rowOf(RowType::FAQs), rowOf(RowType::Rating)}}});
    ASSERT_EQ(three.sectionCount(), 5);
    EXPECT_EQ(three.sectionHeight(1), 20) << "a card with no rows";
    EXPECT_EQ(three.sectionHeight(2), 65);
    EXPECT_EQ(three.sectionHeight(3), 155);
    EXPECT_EQ(three.sectionKind(4), Kind::Version);
    EXPECT_EQ(three.sectionTitle(3), "Three");
}

TEST(SettingsRowDataTest, RawValuesNameTheirTypesAndNothingElse) {
    const std::vector<std::pair<int, std::optional<RowType>>> cases = {
        {0, RowType::custom},    {1, RowType::writeReview},   {2, RowType::Rating},
        {3, RowType::Share},     {4, RowType::ReportError},   {5, RowType::RequestFeature},
        {6, RowType::ContactUs}, {7, RowType::PrivacyPolicy}, {8, RowType::TermsConditions},
        {9, std::nullopt},       {10, RowType::FAQs},         {11, std::nullopt},
        {12, RowType::SignUp},   {13, RowType::SwitchBtn},    {14, std::nullopt},
        {-1, std::nullopt}};
    for (const auto &[raw, type] : cases) {
        const SettingsRowData row(QStringLiteral("t"), std::nullopt, std::nullopt, raw, true);
        EXPECT_EQ(row.rowType, type) << raw;
        EXPECT_EQ(row.switchValue, true);
    }
    EXPECT_EQ(SettingsRowData().tileColor(), QColor(Qt::blue)) << "the tile without a colour";
}

TEST_F(SettingsScreenTest, EveryRowDoesWhatItsTypeSays) {
    const std::string own = settingslinks::ownStoreId;
    struct Case {
        RowType type;
        std::optional<QString> appId;
        QString expected;
    };
    const std::vector<Case> cases = {
        {RowType::writeReview, std::nullopt,
         QString::fromStdString("https://apps.apple.com/us/app/id" + own + "?action=write-review")},
        {RowType::writeReview, QStringLiteral("42"),
         "https://apps.apple.com/us/app/id42?action=write-review"},
        {RowType::writeReview, QStringLiteral("not a number"), ""},
        {RowType::Share, std::nullopt,
         QString::fromStdString("share https://apps.apple.com/us/app/id" + own)},
        {RowType::Share, QStringLiteral("42"), "share https://apps.apple.com/us/app/id42"},
        {RowType::Rating, std::nullopt, "review from the screen"},
        {RowType::SignUp, std::nullopt, "account from the screen"},
        {RowType::custom, std::nullopt, "custom row 0"},
        {RowType::ReportError, std::nullopt, "https://www.tidewell.app/support/?page_id=536"},
        {RowType::RequestFeature, std::nullopt, "https://www.tidewell.app/support/?page_id=536"},
        {RowType::ContactUs, std::nullopt, "https://www.tidewell.app/support/?page_id=536"},
        {RowType::FAQs, std::nullopt, "https://www.tidewell.app/support/"},
        {RowType::PrivacyPolicy, std::nullopt, "https://apps.tidewell.app/data/privacy.html"},
        {RowType::TermsConditions, std::nullopt, "https://apps.tidewell.app/data/terms.html"},
        {RowType::SwitchBtn, std::nullopt, ""},
    };
    for (const Case &c : cases) {
        SettingsScreen &screen =
            screenWith({{QStringLiteral("Card"), QList{rowOf(c.type)}}}, recordingHooks());
        screen.setAppId(c.appId);
        QObject::connect(&screen, &SettingsScreen::shareRequested, [this](const QUrl &url, int section) {
            EXPECT_EQ(section, 1);
            m_log << "share " + url.toString();
        });
        m_log.clear();
        screen.card(1)->tapRow(0);
        EXPECT_EQ(m_log.join('|'), c.expected) << int(c.type) << " " << c.appId.value_or("-").toStdString();
    }
}

TEST_F(SettingsScreenTest, ASwitchRowReactsOnlyToItsSwitch) {
    SettingsScreen &screen = screenWith(
        {{QStringLiteral("Card"), QList{rowOf(RowType::FAQs), rowOf(RowType::SwitchBtn)}}}, recordingHooks());
    std::vector<std::pair<bool, int>> switched;
    ZEPUtils::setSwitchTappedHandler(
        [&switched](bool isOn, const QModelIndex &index) { switched.emplace_back(isOn, index.row()); });
    SettingsCardModel *card = screen.card(1);
    EXPECT_TRUE(card->index(1).data(SettingsCardModel::ShowsSwitchRole).toBool());
    EXPECT_FALSE(card->index(0).data(SettingsCardModel::ShowsSwitchRole).toBool());
    EXPECT_FALSE(card->index(1).data(SettingsCardModel::SwitchOnRole).toBool()) << "no shared value is off";
    screen.setSwitchValue(true);
    EXPECT_TRUE(card->index(1).data(SettingsCardModel::SwitchOnRole).toBool());

    card->tapRow(1);
    EXPECT_TRUE(m_log.isEmpty()) << m_log.join('|').toStdString();
    EXPECT_TRUE(switched.empty());
    card->switchTapped(1, false);
    EXPECT_EQ(switched, (std::vector<std::pair<bool, int>>{{false, 1}}));
}

TEST_F(SettingsScreenTest, SignInRowFollowsTheAccountNotifications) {
    SettingsScreen &screen = screenWith({{QStringLiteral("Account"), QList{rowOf(RowType::SignUp)}}});
    SettingsCardModel *card = screen.card(1);
    QSignalSpy reloads(card, &QAbstractItemModel::modelReset);
    const auto title = [card] {
        return card->index(0).data().toString();
    };
    EXPECT_EQ(title(), "Sign-in");
    EXPECT_TRUE(card->index(0).data(SettingsCardModel::ShowsArrowRole).toBool());

    const std::vector<std::tuple<const char *, bool, QString>> steps = {
        {"User_SignIn_App", true, "ada@example.org"},
        {"User_Sign_Out", false, "Sign-in"},
        {"User_SignIn_App_After_QR", true, "ada@example.org"},
        {"User_Sign_Out", false, "Sign-in"},
    };
    for (const auto &[name, valid, expected] : steps) {
        const int before = reloads.count();
        // Posted from another thread, as the account manager's answers may be; the card reloads on its own.
        std::thread([this, name = name] { m_center.post(QString::fromLatin1(name)); }).join();
        ASSERT_TRUE(QTest::qWaitFor([&] { return reloads.count() == before + 1; })) << name;
        EXPECT_EQ(m_valid, valid) << name;
        EXPECT_EQ(title(), expected) << name;
    }
}

TEST_F(SettingsScreenTest, HeaderOpensTheCatalogueOnlyWithItsHook) {
    SettingsScreen &plain = screenWith({});
    EXPECT_FALSE(plain.isHeaderClickable());
    EXPECT_FALSE(plain.hasHookFor(RowType::SignUp));
    EXPECT_FALSE(plain.hasHookFor(RowType::Rating));
    EXPECT_TRUE(plain.hasHookFor(RowType::FAQs));
    plain.headerTapped();
    EXPECT_TRUE(m_log.isEmpty());

    SettingsScreen &hooked = screenWith({}, recordingHooks());
    EXPECT_TRUE(hooked.isHeaderClickable());
    hooked.headerTapped();
    EXPECT_EQ(m_log, QStringList{"catalogue from the screen"});
}

} // namespace
