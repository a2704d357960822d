#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace ui {

// What an alert shows and does, without widgets: a title, a message, text fields and actions in
// the order their buttons stand. The widget side (AlertPresenter) shows it; controller tests
// assert on it and trigger its actions directly.
struct AlertSpec {
    enum class Style { Default, Cancel, Destructive };
    enum class Icon { None, Warning };

    struct TextField {
        QString placeholder;
        QString text;           // initial text
        QString accessibleName; // the placeholder when empty
    };

    struct Action {
        QString title;
        Style style = Style::Default;
        // Runs with the fields' texts when the action is chosen; may be empty.
        std::function<void(const QStringList &fields)> handler;
        // Whether the action can be chosen for these field texts; empty means always.
        std::function<bool(const QStringList &fields)> enabledWhen;
    };

    QString title;
    QString message;
    Icon icon = Icon::None;
    std::vector<TextField> textFields;
    std::vector<Action> actions;

    AlertSpec &addAction(QString title, Style style = Style::Default,
                         std::function<void(const QStringList &)> handler = {},
                         std::function<bool(const QStringList &)> enabledWhen = {});
    AlertSpec &addTextField(QString placeholder, QString text = {});

    // The fields' initial texts, one per field.
    QStringList initialTexts() const;
    // False for an index out of range and when the action's rule refuses these texts.
    bool isActionEnabled(int index, const QStringList &fields) const;
    // Runs the action's handler when it is enabled for these texts; answers whether it ran.
    bool trigger(int index, const QStringList &fields) const;

    // A rule for enabledWhen: every field holds something other than white space.
    static bool allFieldsFilled(const QStringList &fields);
};

} // namespace ui

Q_DECLARE_METATYPE(ui::AlertSpec)
