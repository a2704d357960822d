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
    AlertSpec spec;

    RenameAlert() {
        spec.title = "Rename";
        spec.message = "Enter a new name.";
        spec.addTextField("Name", "photo.png");
        spec.addAction("Cancel", AlertSpec::Style::Cancel,
                       [this](const QStringList &) { cancelled = "yes"; });
        spec.addAction(
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
    RenameAlert alert;
    const QStringList fields{GetParam().text};
    EXPECT_EQ(alert.spec.isActionEnabled(1, fields), GetParam().enabled);
    EXPECT_EQ(alert.spec.trigger(1, fields), GetParam().enabled);
    EXPECT_EQ(alert.chosen, GetParam().enabled ? fields : QStringList());
    // The cancel action has no rule.
    EXPECT_TRUE(alert.spec.trigger(0, fields));
    EXPECT_EQ(alert.cancelled, "yes");
}

INSTANTIATE_TEST_SUITE_P(Texts, AlertEnableRule,
                         ::testing::Values(EnableCase{"Empty", "", false}, EnableCase{"Space", " ", false},
                                           EnableCase{"TabAndNewline", "\t\n", false},
                                           EnableCase{"Name", "beach.png", true},
                                           EnableCase{"PaddedLetter", " a ", true}),
                         [](const ::testing::TestParamInfo<EnableCase> &info) { return info.param.name; });

TEST(AlertSpec, KeepsActionsInOrderWithTheirStylesAndFieldTexts) {
    RenameAlert alert;
    ASSERT_EQ(alert.spec.actions.size(), 2u);
    EXPECT_EQ(alert.spec.actions[0].title, "Cancel");
    EXPECT_EQ(alert.spec.actions[0].style, AlertSpec::Style::Cancel);
    EXPECT_EQ(alert.spec.actions[1].style, AlertSpec::Style::Default);
    EXPECT_EQ(alert.spec.initialTexts(), QStringList{"photo.png"});
    // Out of range is refused, not a crash.
    EXPECT_FALSE(alert.spec.isActionEnabled(2, {}));
    EXPECT_FALSE(alert.spec.trigger(-1, {}));
}

TEST(AlertSpec, AControllerRequestsItWithoutAWidget) {
    ui::ScreenController screen;
    QSignalSpy alerts(&screen, &ui::ScreenController::alertRequested);
    RenameAlert alert;
    screen.showAlert(alert.spec);
    ASSERT_EQ(alerts.count(), 1);
    const auto requested = alerts.at(0).at(0).value<AlertSpec>();
    EXPECT_EQ(requested.title, "Rename");
    EXPECT_TRUE(requested.trigger(1, {"new.png"}));
    EXPECT_EQ(alert.chosen, QStringList{"new.png"});
}

} // namespace
