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
    AlertSpec alert;
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
            buttons[i]->setEnabled(alert.isActionEnabled(int(i), current));
    }
    // Escape or closing the window chooses the first cancel action, as its button would.
    void cancel() {
        for (size_t i = 0; i < alert.actions.size() && !handled; ++i) {
            if (alert.actions[i].style == AlertSpec::Style::Cancel)
                handled = alert.trigger(int(i), texts());
        }
    }
};

QDialog *messageBox(const std::shared_ptr<OpenAlert> &shown, QWidget *parent) {
    const AlertSpec &alert = shown->alert;
    const QMessageBox::Icon icon =
        alert.icon == AlertSpec::Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon;
    auto *box = new QMessageBox(icon, alert.title, alert.message, QMessageBox::NoButton, parent);
    for (const AlertSpec::Action &action : alert.actions) {
        QPushButton *button = box->addButton(action.title, messageBoxRole(action.style));
        button->setAccessibleName(action.title);
        shown->buttons.push_back(button);
    }
    // The box closes itself after any of its buttons; the action runs on the click, before that.
    for (size_t i = 0; i < shown->buttons.size(); ++i) {
        QObject::connect(shown->buttons[i], &QPushButton::clicked, box,
                         [shown, i] { shown->alert.trigger(int(i), {}); });
    }
    return box;
}

QDialog *fieldDialog(const std::shared_ptr<OpenAlert> &shown, QWidget *parent) {
    const AlertSpec &alert = shown->alert;
    auto *box = new QDialog(parent);
    box->setWindowTitle(alert.title);
    auto *column = new QVBoxLayout(box);
    if (!alert.title.isEmpty()) {
        auto *title = new QLabel(alert.title);
        QFont font = title->font();
        font.setBold(true);
        title->setFont(font);
        title->setAccessibleName(alert.title);
        column->addWidget(title);
    }
    if (!alert.message.isEmpty()) {
        auto *message = new QLabel(alert.message);
        message->setWordWrap(true);
        message->setAccessibleName(alert.message);
        column->addWidget(message);
    }
    for (const AlertSpec::TextField &field : alert.textFields) {
        auto *edit = new QLineEdit(field.text);
        edit->setPlaceholderText(field.placeholder);
        edit->setClearButtonEnabled(true);
        edit->setAccessibleName(field.accessibleName.isEmpty() ? field.placeholder : field.accessibleName);
        column->addWidget(edit);
        shown->fields.push_back(edit);
        QObject::connect(edit, &QLineEdit::textChanged, box, [shown] { shown->updateEnabled(); });
    }
    // The buttons stand in the alert's order. The first default action answers Enter, a cancel
    // action answers Escape, a destructive one is drawn in red.
    auto *row = new QHBoxLayout;
    row->addStretch();
    bool hasDefault = false;
    for (size_t i = 0; i < alert.actions.size(); ++i) {
        const AlertSpec::Action &action = alert.actions[i];
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
        QObject::connect(button, &QPushButton::clicked, box, [box, shown, i] {
            shown->handled = shown->alert.trigger(int(i), shown->texts());
            if (shown->handled)
                box->accept();
        });
        row->addWidget(button);
        shown->buttons.push_back(button);
    }
    column->addLayout(row);
    QObject::connect(box, &QDialog::rejected, box, [shown] { shown->cancel(); });
    return box;
}

} // namespace

QDialog *AlertPresenter::present(const AlertSpec &alert, QWidget *parent) {
    auto shown = std::make_shared<OpenAlert>();
    shown->alert = alert;
    QDialog *box = alert.textFields.empty() ? messageBox(shown, parent) : fieldDialog(shown, parent);
    box->setAccessibleName(alert.title);
    box->setAttribute(Qt::WA_DeleteOnClose);
    shown->updateEnabled();
    box->open();
    return box;
}

} // namespace ui
