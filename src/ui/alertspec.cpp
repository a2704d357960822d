#include "ui/alertspec.h"

namespace ui {

AlertSpec &AlertSpec::addAction(QString title, Style style, std::function<void(const QStringList &)> handler,
                                std::function<bool(const QStringList &)> enabledWhen) {
    actions.push_back({std::move(title), style, std::move(handler), std::move(enabledWhen)});
    return *this;
}

AlertSpec &AlertSpec::addTextField(QString placeholder, QString text) {
    textFields.push_back({std::move(placeholder), std::move(text), {}});
    return *this;
}

QStringList AlertSpec::initialTexts() const {
    QStringList texts;
    for (const TextField &field : textFields)
        texts << field.text;
    return texts;
}

bool AlertSpec::isActionEnabled(int index, const QStringList &fields) const {
    if (index < 0 || size_t(index) >= actions.size())
        return false;
    const Action &action = actions[size_t(index)];
    return !action.enabledWhen || action.enabledWhen(fields);
}

bool AlertSpec::trigger(int index, const QStringList &fields) const {
    if (!isActionEnabled(index, fields))
        return false;
    if (const auto &handler = actions[size_t(index)].handler)
        handler(fields);
    return true;
}

bool AlertSpec::allFieldsFilled(const QStringList &fields) {
    for (const QString &text : fields)
        if (text.trimmed().isEmpty())
            return false;
    return true;
}

} // namespace ui
