#include "ui/alertpresenter.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace ui {

namespace {

QMessageBox::ButtonRole messageBoxRole(AlertSpec::Style style) {
    switch (style) {
    case AlertSpec::Style::Cancel:
        return QMessageBox::RejectRole;
    case AlertSpec::Style::Destructive:
        return QMessageBox::DestructiveRole;
    case AlertSpec::Style::Default:
        break;
    }
    return QMessageBox::AcceptRole;
}

// Buttons and fields of one open box; the buttons follow the actions' order.
struct OpenAlert {
    AlertSpec spec;
    std::vector<QPushButton *> buttons;
    std::vector<QLineEdit *> fields;
    bool handled = false;

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
    // Escape or closing the window chooses the first cancel action, as its button would.
    void cancel() {
        for (size_t i = 0; i < spec.actions.size() && !handled; ++i) {
            if (spec.actions[i].style == AlertSpec::Style::Cancel)
                handled = spec.trigger(int(i), texts());
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
    // The buttons stand in the spec's order. The first default action answers Enter, a cancel
    // action answers Escape, a destructive one is drawn in red.
    auto *row = new QHBoxLayout;
    row->addStretch();
    bool hasDefault = false;
    for (size_t i = 0; i < spec.actions.size(); ++i) {
        const AlertSpec::Action &action = spec.actions[i];
        auto *button = new QPushButton(action.title);
        button->setAccessibleName(action.title);
        button->setAutoDefault(false);
        if (action.style == AlertSpec::Style::Default && !hasDefault) {
            button->setDefault(true);
            hasDefault = true;
        } else if (action.style == AlertSpec::Style::Destructive) {
            QPalette red = button->palette();
            red.setColor(QPalette::ButtonText, QColor(0xFF, 0x3B, 0x30));
            button->setPalette(red);
        }
        QObject::connect(button, &QPushButton::clicked, box, [box, alert, i] {
            alert->handled = alert->spec.trigger(int(i), alert->texts());
            if (alert->handled)
                box->accept();
        });
        row->addWidget(button);
        alert->buttons.push_back(button);
    }
    column->addLayout(row);
    QObject::connect(box, &QDialog::rejected, box, [alert] { alert->cancel(); });
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
