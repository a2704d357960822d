#include "ui/alertspec.h"
#include "ui/screencontroller.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using ui::AlertSpec;

namespace {

// A rename alert: Cancel always, Rename only with a name that is more than white space.
struct RenameAlert {
    QStringList chosen;
    QString cancelled;
    AlertSpec alert;

    RenameAlert() {
        alert.title = "Rename";
        alert.message = "Enter a new name.";
        alert.addTextField("Name", "photo.png");
        alert.addAction("Cancel", AlertSpec::Style::Cancel,
                        [this](const QStringList &) { cancelled = "yes"; });
        alert.addAction(
            "Rename", AlertSpec::Style::Default, [this](const QStringList &fields) { chosen = fields; },
            &AlertSpec::allFieldsFilled);
    }
};

struct EnableCase {
    const char *name;
    QString text;
    bool enabled;
};

class AlertEnableRule : public ::testing::TestWithParam<EnableCase> {};

TEST_P(AlertEnableRule, GuardsTheActionAndItsHandler) {
    RenameAlert rename;
    const QStringList fields{GetParam().text};
    EXPECT_EQ(rename.alert.isActionEnabled(1, fields), GetParam().enabled);
    EXPECT_EQ(rename.alert.trigger(1, fields), GetParam().enabled);
    EXPECT_EQ(rename.chosen, GetParam().enabled ? fields : QStringList());
    // The cancel action has no rule.
    EXPECT_TRUE(rename.alert.trigger(0, fields));
    EXPECT_EQ(rename.cancelled, "yes");
}

INSTANTIATE_TEST_SUITE_P(Texts, AlertEnableRule,
                         ::testing::Values(EnableCase{"Empty", "", false}, EnableCase{"Space", " ", false},
                                           EnableCase{"TabAndNewline", "\t\n", false},
                                           EnableCase{"Name", "beach.png", true},
                                           EnableCase{"PaddedLetter", " a ", true}),
                         [](const ::testing::TestParamInfo<EnableCase> &info) { return info.param.name; });

TEST(AlertSpec, KeepsActionsInOrderWithTheirStylesAndFieldTexts) {
    RenameAlert rename;
    ASSERT_EQ(rename.alert.actions.size(), 2u);
    EXPECT_EQ(rename.alert.actions[0].title, "Cancel");
    EXPECT_EQ(rename.alert.actions[0].style, AlertSpec::Style::Cancel);
    EXPECT_EQ(rename.alert.actions[1].style, AlertSpec::Style::Default);
    EXPECT_EQ(rename.alert.initialTexts(), QStringList{"photo.png"});
    // Out of range is refused, not a crash.
    EXPECT_FALSE(rename.alert.isActionEnabled(2, {}));
    EXPECT_FALSE(rename.alert.trigger(-1, {}));
}

TEST(AlertSpec, AControllerRequestsItWithoutAWidget) {
    ui::ScreenController screen;
    QSignalSpy alerts(&screen, &ui::ScreenController::alertRequested);
    RenameAlert rename;
    screen.showAlert(rename.alert);
    ASSERT_EQ(alerts.count(), 1);
    const auto requested = alerts.at(0).at(0).value<AlertSpec>();
    EXPECT_EQ(requested.title, "Rename");
    EXPECT_TRUE(requested.trigger(1, {"new.png"}));
    EXPECT_EQ(rename.chosen, QStringList{"new.png"});
}

} // namespace
