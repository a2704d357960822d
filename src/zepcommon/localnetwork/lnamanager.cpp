#include "zepcommon/localnetwork/lnamanager.h"

#include "platform/defaults.h"
#include "platform/log.h"
#include "platform/notificationcenter.h"

namespace localnetwork {

LNAManager::LNAManager(platform::Defaults &defaults, platform::NotificationCenter &center,
                       std::chrono::milliseconds probeTimeout, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_center(center)
    , m_probeTimeout(probeTimeout)
    , m_hasLNAAlertShown(defaults.boolValue(alertShownKey())) {
    m_activeToken = m_center.addObserver(
        applicationDidBecomeActiveNotification(),
        [this](const platform::Notification &) { didHideLNAAlert(); }, this);
    m_resignToken = m_center.addObserver(
        applicationWillResignActiveNotification(),
        [this](const platform::Notification &) { didResignActive(); }, this);
}

LNAManager::~LNAManager() {
    m_center.removeObserver(m_activeToken);
    m_center.removeObserver(m_resignToken);
}

LNAManager &LNAManager::shared() {
    static LNAManager manager(platform::Defaults::standard(), platform::NotificationCenter::defaultCenter());
    return manager;
}

void LNAManager::startPing() {
    if (!m_hasLNAAlertShown)
        return;
    m_hasPingSent = true;
    requestAuthorization();
}

void LNAManager::requestAuthorization() {
    m_hasPingSent = true;
    // The previous probe stops first, so that only one talks to the daemon at a time; it is deleted
    // later because this may run inside its own completion.
    if (m_lnaManager) {
        m_lnaManager->stopManager();
        m_lnaManager.release()->deleteLater();
    }
    m_lnaManager = std::make_unique<LocalNetworkManager>(m_probeTimeout);
    m_lnaManager->requestAuthorizationWithCompletion([this](bool granted) { pingDidComplete(granted); });
}

void LNAManager::stopPing() {
    if (m_lnaManager)
        m_lnaManager->stopManager();
    m_hasPingSent = false;
}

void LNAManager::pingDidComplete(bool granted) {
    stopPing();
    // No system alert covers a desktop app, so no activation change may follow the first probe:
    // its answer is the answer to the question, or the disabled state's button would probe again
    // for ever instead of opening the network settings.
    markAlertAnswered();
    m_currPingStatus = granted;
    platform::log(QStringLiteral("Granted: %1").arg(granted ? "YES" : "NO"));
    if (m_delegate)
        m_delegate->didReceiveResponseFromPing(granted);
    emit pingCompleted(granted);
    m_center.post(responseNotification(), {{responseKey(), granted}});
}

void LNAManager::didResignActive() {
    if (m_hasLNAAlertTriggered)
        m_hasLNAAlertActuallyShown = true;
}

void LNAManager::didHideLNAAlert() {
    markAlertAnswered();
    startPing();
}

void LNAManager::markAlertAnswered() {
    if (!m_hasLNAAlertTriggered || m_hasLNAAlertShown)
        return;
    m_hasLNAAlertTriggered = false;
    m_hasLNAAlertShown = true;
    m_defaults.setValue(alertShownKey(), true);
}

} // namespace localnetwork
