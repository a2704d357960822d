#include "zepcommon/localnetwork/notificationpermissionscreen.h"

#include "platform/defaults.h"
#include "ui/colorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QMetaObject>
#include <QPointer>

namespace localnetwork {

NotificationPermissionScreen::NotificationPermissionScreen(ZEPThemeManager &theme,
                                                           const ui::ColorResolver &colors,
                                                           AuthorizationRequest requestAuthorization,
                                                           QObject *parent)
    : ScreenController(parent)
    , m_theme(theme)
    , m_colors(colors)
    , m_requestAuthorization(std::move(requestAuthorization)) {
    setTitle(tr("Notifications"));
}

NotificationPermissionScreen::~NotificationPermissionScreen() = default;

void NotificationPermissionScreen::viewDidLoad() {
    m_sharedDefaults = std::make_unique<platform::Defaults>(sharedSuite());
    m_accentColor = m_colors.color(m_theme.themeColorInAllApp());
    m_note = {{"Orvanta needs"}, {"\n"}, {"permission to send"}, {"\n"}, {"you "}, {"Notifications", true}};
    emit changed();
}

void NotificationPermissionScreen::btnPermissionPressed() {
    // A second press while the first request is out would close the screen twice.
    if (m_asking)
        return;
    m_asking = true;
    if (!m_requestAuthorization) {
        closeScreen();
        return;
    }
    QPointer<NotificationPermissionScreen> self(this);
    m_requestAuthorization([self](bool) {
        if (self)
            QMetaObject::invokeMethod(
                self, [self] { self->closeScreen(); }, Qt::QueuedConnection);
    });
}

void NotificationPermissionScreen::closeScreen() {
    if (!m_sharedDefaults)
        m_sharedDefaults = std::make_unique<platform::Defaults>(sharedSuite());
    m_sharedDefaults->setValue(popupShownKey(), true);
    dismiss();
    if (m_delegate)
        m_delegate->hasShownNotificationPopup();
}

} // namespace localnetwork
