#pragma once

#include "ui/navigationcontroller.h"
#include "ui/screencontroller.h"

#include <QColor>
#include <QPointer>
#include <QString>
#include <optional>

class ZEPThemeManager;

namespace platform {
class Defaults;
class NotificationCenter;
} // namespace platform
namespace ui {
class ColorResolver;
}

namespace account {

class ApiManager;

// What every account screen works with. None of it is owned; all of it outlives the screens.
struct AccountEnvironment {
    ApiManager &api;
    platform::Defaults &defaults;
    platform::NotificationCenter &center;
    ZEPThemeManager &theme;
    const ui::ColorResolver &colors;
};

// The e-mail rule of every form: the whole text matches [A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,}.
bool isValidEmail(const QString &email);
// The password rule: at least 8 characters (code points, not bytes). No upper bound is enforced.
bool isLongEnoughPassword(const QString &password);
// The eye button's picture: "img-passwordUnhide" while the text shows, else "img-passwordHide".
QString eyeImageName(bool revealed);

// What the account forms share: the action button with its spinner (the title is empty while a
// request runs), the result alert with its single "OK", the theme colours, the request to resign
// every text field, and the request to close the whole account flow (the navigation controller
// that holds the forms, and whatever presented it). GUI thread only.
class AccountForm : public ui::ScreenController {
    Q_OBJECT
public:
    AccountForm(const AccountEnvironment &environment, QString actionTitle, QObject *parent = nullptr);

    const AccountEnvironment &environment() const { return m_environment; }

    // The action button: its title ("" while running) and whether its spinner turns.
    QString actionTitle() const { return m_running ? QString() : m_actionTitle; }
    bool isRunning() const { return m_running; }

    // The theme colour ("ZEPColorInAppWithoutDark-" + suffix) for buttons and option views, the
    // page background ("ZEPBGColor") and the placeholders' colour ("placeholderTextColor").
    std::optional<QColor> themeColor() const;
    std::optional<QColor> backgroundColor() const;
    std::optional<QColor> placeholderColor() const;

    // The Return key in any field: every field gives up the keyboard focus. Answers true.
    bool textFieldShouldReturn();

    // Asks for the whole account flow to close.
    void closeFlow();

    // The account flow's stack that holds the screen; null while it is in none.
    ui::NavigationController *navigationController() const { return m_navigation; }
    void setNavigationController(ui::NavigationController *navigation) { m_navigation = navigation; }

signals:
    // Anything the view shows changed: texts set by the screen, flags, the spinner.
    void changed();
    void resignFirstResponderRequested();
    void closeFlowRequested();

protected:
    void startSpinner();
    void stopSpinner();
    // An alert with the title, the message and one "OK" that runs onOk.
    void alert(const QString &title, const QString &message, std::function<void()> onOk = {});

private:
    AccountEnvironment m_environment;
    QString m_actionTitle;
    bool m_running = false;
    QPointer<ui::NavigationController> m_navigation;
};

// The account flow's navigation stack: a screen on it that asks to close the flow dismisses the
// stack (and so the sheet it is presented in).
class AccountNavigationController : public ui::NavigationController {
    Q_OBJECT
public:
    explicit AccountNavigationController(ui::ScreenController *root, QObject *parent = nullptr);

private:
    void follow(ui::ScreenController *screen);
};

} // namespace account
