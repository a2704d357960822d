// The app's settings list: the five sections, the sign-in row by remote value, and what
// openSettings presents.
#include "app/settingslauncher.h"
#include "platform/notificationcenter.h"
#include "zepcommon/settings/settingslinks.h"
#include "zepcommon/utility/remotevalues.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class ValuesOf final : public RemoteValues {
public:
    explicit ValuesOf(QJsonObject values)
        : m_values(std::move(values)) {}
    QJsonValue valueForKey(const QString &key) const override { return m_values.value(key); }
    bool isValueAvailable(const QString &key) const override {
        const QJsonValue value = m_values.value(key);
        return !value.isUndefined() && !value.isNull() &&
               !(value.isString() && value.toString().trimmed().isEmpty());
    }
    QString updateNotificationName() const override { return {}; }

private:
    QJsonObject m_values;
};

std::vector<std::vector<RowType>> typesOf(const QList<SettingsSectionData> &sections) {
    std::vector<std::vector<RowType>> types;
    for (const SettingsSectionData &section : sections) {
        types.emplace_back();
        for (const SettingsRowData &row : section.rows.value_or(QList<SettingsRowData>{}))
            types.back().push_back(row.rowType.value());
    }
    return types;
}

TEST(SettingsLauncherTest, FirstCardHoldsTheSignInRowOnlyForTheFixedRemoteValue) {
    const QString key = SettingsLauncher::signInRemoteKey();
    const std::vector<std::pair<QJsonObject, bool>> cases = {
        {{}, false},           {{{key, "1"}}, true},   {{{key, 1}}, true},        {{{key, "0"}}, false},
        {{{key, " "}}, false}, {{{key, true}}, false}, {{{"other", "1"}}, false},
    };
    for (const auto &[values, shown] : cases) {
        const QList<SettingsSectionData> sections = SettingsLauncher::makeSettingsSections(ValuesOf(values));
        const std::vector<std::vector<RowType>> expected = {
            shown ? std::vector{RowType::SignUp} : std::vector<RowType>{},
            {RowType::writeReview, RowType::Rating, RowType::Share},
            {RowType::FAQs},
            {RowType::ReportError, RowType::RequestFeature, RowType::ContactUs},
            {RowType::PrivacyPolicy, RowType::TermsConditions}};
        EXPECT_EQ(typesOf(sections), expected) << QJsonDocument(values).toJson().toStdString();
    }
    const QList<SettingsSectionData> sections =
        SettingsLauncher::makeSettingsSections(ValuesOf({{key, "1"}}));
    EXPECT_EQ(sections[0].rows->at(0).tileColor(), QColor::fromRgbF(0.5, 0.8, 0.5));
    EXPECT_EQ(sections[1].rows->at(1).tileColor(), QColor::fromRgbF(0.93, 0.53, 0.18));
    EXPECT_EQ(sections[3].rows->at(2).tileColor(), QColor::fromRgbF(0.25, 0.64, 0.89));
    for (const SettingsSectionData &section : sections)
        for (const SettingsRowData &row : *section.rows)
            EXPECT_EQ(row.switchValue, false);
}

TEST(SettingsLauncherTest, OpenSettingsPresentsANewScreenWithoutRowsItCannotServe) {
    platform::NotificationCenter center;
    ui::ScreenController from;
    QSignalSpy presented(&from, &ui::ScreenController::presentRequested);
    const ValuesOf values({{SettingsLauncher::signInRemoteKey(), "1"}});
    SettingsHooks hooks;
    hooks.openAccount = [](ui::ScreenController *) {
    };
    SettingsScreen *screen =
        SettingsLauncher::openSettings(&from, {center, {}, {}, hooks, "Tidewell", "1"}, values);
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(presented.count(), 1);
    EXPECT_EQ(presented[0][0].value<ui::ScreenController *>(), screen);
    EXPECT_EQ(screen->appId(), QString::fromLatin1(settingslinks::ownStoreId));
    EXPECT_EQ(screen->FAQsLink(), SettingsLauncher::faqsLink());
    const auto types = typesOf(screen->dataArray());
    EXPECT_EQ(types[0], std::vector{RowType::SignUp});
    EXPECT_EQ(types[1], (std::vector{RowType::writeReview, RowType::Share})) << "no rating pop-up to call";
    delete screen;
}

} // namespace
