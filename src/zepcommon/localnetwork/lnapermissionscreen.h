#pragma once

#include "ui/screencontroller.h"
#include "zepcommon/localnetwork/lnamanager.h"
#include "zepcommon/localnetwork/styledtext.h"

#include <QColor>
#include <QMetaObject>
#include <QString>

#include <functional>
#include <optional>

class RemoteValues;
class ZEPThemeManager;

namespace platform {
class NotificationCenter;
}
namespace ui {
class ColorResolver;
}

namespace localnetwork {

class Reachability;

class LNAPermissionScreenDelegate {
public:
    virtual ~LNAPermissionScreenDelegate() = default;
    // After the screen closed because access was granted.
    virtual void hasAllowedLNAPermission() {}
};

// The full-screen page that asks for local-network access. It shows one of three states — no
// network, the first request ("Continue", or "Give Permission" once remote values were
// refreshed), access disabled — starts the first probe, sends the person to the system's network
// settings, and closes itself once a probe reports access granted.
//
// While visible it is the LNAManager's delegate, probes again each time the app becomes active,
// follows reachability and the remote-values refresh. Collaborators are not owned and outlive
// the screen. GUI thread only.
class LNAPermissionScreen : public ui::ScreenController, public LNAManagerProtocol {
    Q_OBJECT
public:
    enum class State { NoWifi, Disabled, Initial };
    // Opens the system's network settings; false when there are none to open.
    using SettingsOpener = std::function<bool()>;

    LNAPermissionScreen(LNAManager &manager, Reachability &reachability, const RemoteValues &remoteValues,
                        ZEPThemeManager &theme, const ui::ColorResolver &colors, SettingsOpener openSettings,
                        platform::NotificationCenter &center, QObject *parent = nullptr);
    ~LNAPermissionScreen() override;

    LNAPermissionScreenDelegate *delegate() const { return m_delegate; }
    void setDelegate(LNAPermissionScreenDelegate *delegate) { m_delegate = delegate; }

    // What the view shows; valid after viewDidLoad.
    State state() const { return m_state; }
    const StyledText &title() const { return m_title; }
    const StyledText &description() const { return m_description; }
    std::optional<QColor> accentColor() const { return m_accentColor; }
    QString infoButtonImageName() const { return m_infoImage; }
    bool isDescriptionVisible() const { return m_descriptionVisible; }
    bool isNoWifiVisible() const { return m_state == State::NoWifi; }
    QString noWifiText() const { return tr("No Wi-Fi connection"); }
    QString permissionText() const { return m_permissionText; }
    QString buttonTitle() const { return m_buttonTitle; }
    QString logoImageName() const { return m_logo; }
    // The themed variant of the logo picture ("logoInPermisson-orange").
    QString logoPictureName() const;
    bool isIndicatorAnimating() const { return m_indicatorAnimating; }
    bool isLNAEnabled() const { return m_isLNAEnabled; }

    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

    // Actions.
    void permissionBtn();
    void infoBtnTapped();
    void learnMoreBtn();

    void didReceiveResponseFromPing(bool granted) override;

signals:
    void changed();
    // After the close because access was granted (beside the delegate).
    void permissionAllowed();

private:
    bool wifiAvailable() const;
    void handleWifiConnection();
    void applicationManagerDidUpdateSettings();
    void startPing();
    void showStateForAnsweredAlert();
    void updateUIForNoWifi();
    void updateUIForDisabledLNAAccess();
    void updateInitialUI();
    void closeScreen();
    void showInfo();

    LNAManager &m_manager;
    Reachability &m_reachability;
    const RemoteValues &m_remoteValues;
    ZEPThemeManager &m_theme;
    const ui::ColorResolver &m_colors;
    SettingsOpener m_openSettings;
    platform::NotificationCenter &m_center;
    LNAPermissionScreenDelegate *m_delegate = nullptr;

    State m_state = State::Initial;
    StyledText m_title;
    StyledText m_description;
    std::optional<QColor> m_accentColor;
    QString m_infoImage;
    bool m_descriptionVisible = true;
    QString m_permissionText;
    QString m_buttonTitle;
    QString m_logo;
    bool m_indicatorAnimating = false;
    bool m_isLNAEnabled = false;
    QString m_lnaText;
    QList<quint64> m_observers;
    QMetaObject::Connection m_reachabilityConnection;
};

} // namespace localnetwork
