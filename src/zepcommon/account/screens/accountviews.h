#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace ui {
class ViewRegistry;
}

namespace account {

class AccountForm;
class SignInSignUpViewController;

// A busy indicator: an arc of the given colour turning while shown.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(QColor color, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QColor m_color;
    QTimer *m_timer;
    int m_angle = 0;
};

// The page of an account form: a bar with back and close buttons, a heading, and a column of
// fields and buttons bound to the controller through getters and setters. Each control is named
// after the controller's outlet (objectName) and carries an accessible name. The view shows what
// the controller holds whenever it changes; the Return key in a field asks the controller, which
// then has every field give up the focus. The controller is not owned and outlives the view.
class AccountFormView : public QWidget {
    Q_OBJECT
public:
    using Getter = std::function<QString()>;
    using Setter = std::function<void(const QString &)>;
    using Flag = std::function<bool()>;
    using Action = std::function<void()>;

    AccountFormView(AccountForm *form, const QString &heading, QWidget *parent = nullptr);

    QToolButton *addBarButton(const QString &name, const QString &text, const QString &accessibleName,
                              bool leading, Action action, Flag visible = {});
    QLineEdit *addTextField(const QString &name, const QString &placeholder, Getter get, Setter set);
    // A masked field with its eye button; `visible` hides the whole row (the row is named rowName).
    QLineEdit *addPasswordField(const QString &name, const QString &eyeName, const QString &placeholder,
                                Getter get, Setter set, Flag revealed, Getter eyeImage, Action toggle,
                                Flag visible = {}, const QString &rowName = {});
    QWidget *addLabel(const QString &name, const QString &text);
    // The filled action button in its container (viewName), with the spinner (indicatorName).
    QPushButton *addActionButton(const QString &viewName, const QString &name, const QString &indicatorName,
                                 Action action);
    QPushButton *addLinkButton(const QString &name, const QString &text, Action action);
    void addStretch();

    // Shows what the controller holds.
    void refresh();

private:
    struct Binding {
        std::function<void()> update;
    };

    AccountForm *m_form;
    QVBoxLayout *m_column;
    QWidget *m_bar;
    std::vector<Binding> m_bindings;
    std::vector<QLineEdit *> m_fields;
};

// The hub: its picture, the five options, Close, and the blur with its spinner over everything
// while an Apple sign-in is checked.
class SignInSignUpView : public QWidget {
    Q_OBJECT
public:
    explicit SignInSignUpView(SignInSignUpViewController *controller, QWidget *parent = nullptr);
    QWidget *blurView() const { return m_blur; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void addHeader(QVBoxLayout *column);
    void addOptions(QVBoxLayout *column);
    void buildBlur();
    void refresh();

    SignInSignUpViewController *m_controller;
    QWidget *m_blur;
};

// Registers the views of the account flow's stack, the hub and the five forms; the registry must
// outlive the views it makes.
void registerAccountViews(ui::ViewRegistry &views);

} // namespace account
