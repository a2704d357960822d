#pragma once

#include "ui/screencontroller.h"
#include "zepcommon/localnetwork/styledtext.h"

#include <QColor>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class ZEPThemeManager;

namespace platform {
class Defaults;
}
namespace ui {
class ColorResolver;
}

namespace localnetwork {

class NotificationPermissionScreenDelegate {
public:
    virtual ~NotificationPermissionScreenDelegate() = default;
    // After the screen has closed.
    virtual void hasShownNotificationPopup() {}
};

// The page that asks for permission to send notifications. Asking means the notifier's
// authorization request (on the desktop: one test notification the person can see); whatever
// it answers, the page closes and stores "kNotificationPopupShown" in the app-group suite
// "group.zep.sharedKeychain". Collaborators are not owned and outlive the page. GUI thread only.
class NotificationPermissionScreen : public ui::ScreenController {
    Q_OBJECT
public:
    // Asks for permission (alert, badge, sound) and calls back once with the answer, on the GUI thread.
    using AuthorizationRequest = std::function<void(std::function<void(bool granted)>)>;

    NotificationPermissionScreen(ZEPThemeManager &theme, const ui::ColorResolver &colors,
                                 AuthorizationRequest requestAuthorization, QObject *parent = nullptr);
    ~NotificationPermissionScreen() override;

    static QString sharedSuite() { return QStringLiteral("group.zep.sharedKeychain"); }
    static QString popupShownKey() { return QStringLiteral("kNotificationPopupShown"); }

    NotificationPermissionScreenDelegate *delegate() const { return m_delegate; }
    void setDelegate(NotificationPermissionScreenDelegate *delegate) { m_delegate = delegate; }

    const StyledText &note() const { return m_note; }
    std::optional<QColor> accentColor() const { return m_accentColor; }
    QString buttonTitle() const { return tr("Allow Notifications"); }

    void viewDidLoad() override;
    void btnPermissionPressed();

signals:
    void changed();

private:
    void closeScreen();

    ZEPThemeManager &m_theme;
    const ui::ColorResolver &m_colors;
    AuthorizationRequest m_requestAuthorization;
    std::unique_ptr<platform::Defaults> m_sharedDefaults;
    NotificationPermissionScreenDelegate *m_delegate = nullptr;
    StyledText m_note;
    std::optional<QColor> m_accentColor;
    bool m_asking = false;
};

} // namespace localnetwork
