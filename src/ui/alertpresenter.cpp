#include "ui/alertpresenter.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace ui {

namespace {

QDialogButtonBox::ButtonRole boxRole(AlertSpec::Style style) {
    switch (style) {
    case AlertSpec::Style::Cancel:
        return QDialogButtonBox::RejectRole;
    case AlertSpec::Style::Destructive:
        return QDialogButtonBox::DestructiveRole;
    case AlertSpec::Style::Default:
        break;
    }
    return QDialogButtonBox::AcceptRole;
}

QMessageBox::ButtonRole messageBoxRole(AlertSpec::Style style) {
    return QMessageBox::ButtonRole(boxRole(style));
}

// Buttons and fields of one open box; the buttons follow the actions' order.
struct OpenAlert {
    AlertSpec spec;
    std::vector<QPushButton *> buttons;
    std::vector<QLineEdit *> fields;

    QStringList texts() const {
        QStringList result;
        for (const QLineEdit *field : fields)
            result << field->text();
        return result;
    }
    void updateEnabled() const {
        const QStringList current = texts();
        for (size_t i = 0; i < buttons.size(); ++i)
            buttons[i]->setEnabled(spec.isActionEnabled(int(i), current));
    }
    void connectButtons(QDialog *box, const std::shared_ptr<OpenAlert> &self) {
        for (size_t i = 0; i < buttons.size(); ++i) {
            QObject::connect(buttons[i], &QPushButton::clicked, box, [box, self, i] {
                if (self->spec.trigger(int(i), self->texts()))
                    box->close();
            });
        }
    }
};

QDialog *messageBox(const std::shared_ptr<OpenAlert> &alert, QWidget *parent) {
    const AlertSpec &spec = alert->spec;
    const QMessageBox::Icon icon =
        spec.icon == AlertSpec::Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon;
    auto *box = new QMessageBox(icon, spec.title, spec.message, QMessageBox::NoButton, parent);
    for (const AlertSpec::Action &action : spec.actions) {
        QPushButton *button = box->addButton(action.title, messageBoxRole(action.style));
        button->setAccessibleName(action.title);
        alert->buttons.push_back(button);
    }
    // The box closes itself after any of its buttons; the action runs on the click, before that.
    for (size_t i = 0; i < alert->buttons.size(); ++i) {
        QObject::connect(alert->buttons[i], &QPushButton::clicked, box,
                         [alert, i] { alert->spec.trigger(int(i), {}); });
    }
    return box;
}

QDialog *fieldDialog(const std::shared_ptr<OpenAlert> &alert, QWidget *parent) {
    const AlertSpec &spec = alert->spec;
    auto *box = new QDialog(parent);
    box->setWindowTitle(spec.title);
    auto *column = new QVBoxLayout(box);
    if (!spec.title.isEmpty()) {
        auto *title = new QLabel(spec.title);
        QFont font = title->font();
        font.setBold(true);
        title->setFont(font);
        title->setAccessibleName(spec.title);
        column->addWidget(title);
    }
    if (!spec.message.isEmpty()) {
        auto *message = new QLabel(spec.message);
        message->setWordWrap(true);
        message->setAccessibleName(spec.message);
        column->addWidget(message);
    }
    for (const AlertSpec::TextField &field : spec.textFields) {
        auto *edit = new QLineEdit(field.text);
        edit->setPlaceholderText(field.placeholder);
        edit->setClearButtonEnabled(true);
        edit->setAccessibleName(field.accessibleName.isEmpty() ? field.placeholder : field.accessibleName);
        column->addWidget(edit);
        alert->fields.push_back(edit);
        QObject::connect(edit, &QLineEdit::textChanged, box, [alert] { alert->updateEnabled(); });
    }
    auto *buttons = new QDialogButtonBox;
    for (const AlertSpec::Action &action : spec.actions) {
        QPushButton *button = buttons->addButton(action.title, boxRole(action.style));
        button->setAccessibleName(action.title);
        alert->buttons.push_back(button);
    }
    column->addWidget(buttons);
    alert->connectButtons(box, alert);
    return box;
}

} // namespace

QDialog *AlertPresenter::present(const AlertSpec &spec, QWidget *parent) {
    auto alert = std::make_shared<OpenAlert>();
    alert->spec = spec;
    QDialog *box = spec.textFields.empty() ? messageBox(alert, parent) : fieldDialog(alert, parent);
    box->setAccessibleName(spec.title);
    box->setAttribute(Qt::WA_DeleteOnClose);
    alert->updateEnabled();
    box->open();
    return box;
}

} // namespace ui
