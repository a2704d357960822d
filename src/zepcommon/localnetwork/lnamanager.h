#pragma once

#include "zepcommon/localnetwork/localnetworkmanager.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

namespace platform {
class Defaults;
class NotificationCenter;
} // namespace platform

namespace localnetwork {

// Names of the application's activation changes on the notification centre; the desktop app
// posts them from Qt's application state (ApplicationStateRelay), tests post them by hand.
inline QString applicationDidBecomeActiveNotification() {
    return QStringLiteral("UIApplicationDidBecomeActiveNotification");
}
inline QString applicationWillResignActiveNotification() {
    return QStringLiteral("UIApplicationWillResignActiveNotification");
}

class LNAManagerProtocol {
public:
    virtual ~LNAManagerProtocol() = default;
    virtual void didReceiveResponseFromPing(bool granted) { Q_UNUSED(granted); }
};

// Runs local-network probes for the whole app, remembers across launches whether the permission
// question was answered ("hasLocalNetworkAlertShown" in the standard defaults), probes again each
// time the app becomes active once it was, and reports every result to its delegate, as the
// pingCompleted signal and as "LNAResponseNotification" (user info "isLocalNetworkOn": granted).
// Only one probe lives at a time: a new one replaces the one before.
//
// The defaults and the notification centre are not owned and outlive the manager; the delegate is
// not owned and must clear itself before it goes. GUI thread only.
class LNAManager : public QObject {
    Q_OBJECT
public:
    LNAManager(platform::Defaults &defaults, platform::NotificationCenter &center,
               std::chrono::milliseconds probeTimeout = LocalNetworkManager::defaultTimeout,
               QObject *parent = nullptr);
    ~LNAManager() override;

    // The app's instance over the standard defaults and the default centre, made on first use.
    static LNAManager &shared();

    static QString alertShownKey() { return QStringLiteral("hasLocalNetworkAlertShown"); }
    static QString responseNotification() { return QStringLiteral("LNAResponseNotification"); }
    static QString responseKey() { return QStringLiteral("isLocalNetworkOn"); }

    bool hasLNAAlertShown() const { return m_hasLNAAlertShown; }
    bool hasLNAAlertTriggered() const { return m_hasLNAAlertTriggered; }
    void setHasLNAAlertTriggered(bool triggered) { m_hasLNAAlertTriggered = triggered; }
    bool currPingStatus() const { return m_currPingStatus; }
    bool hasPingSent() const { return m_hasPingSent; }
    bool hasLNAAlertActuallyShown() const { return m_hasLNAAlertActuallyShown; }
    LNAManagerProtocol *delegate() const { return m_delegate; }
    void setDelegate(LNAManagerProtocol *delegate) { m_delegate = delegate; }
    // The probe in flight; null before the first.
    LocalNetworkManager *lnaManager() const { return m_lnaManager.get(); }

    // Probes only once the permission question was answered.
    void startPing();
    // Probes now, replacing any probe in flight.
    void requestAuthorization();
    void stopPing();
    void pingDidComplete(bool granted);

    // Observers of the activation changes.
    void didResignActive();
    void didHideLNAAlert();

signals:
    void pingCompleted(bool granted);

private:
    // A first probe started from the permission screen has had its answer.
    void markAlertAnswered();

    platform::Defaults &m_defaults;
    platform::NotificationCenter &m_center;
    std::chrono::milliseconds m_probeTimeout;
    bool m_hasLNAAlertShown = false;
    bool m_hasLNAAlertTriggered = false;
    bool m_currPingStatus = false;
    bool m_hasPingSent = false;
    bool m_hasLNAAlertActuallyShown = false;
    LNAManagerProtocol *m_delegate = nullptr;
    std::unique_ptr<LocalNetworkManager> m_lnaManager;
    quint64 m_activeToken = 0;
    quint64 m_resignToken = 0;
};

} // namespace localnetwork
