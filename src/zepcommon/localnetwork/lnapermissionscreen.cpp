#include "zepcommon/localnetwork/lnapermissionscreen.h"

#include "platform/notificationcenter.h"
#include "ui/colorresolver.h"
#include "zepcommon/localnetwork/lnainfoviewcontroller.h"
#include "zepcommon/localnetwork/reachability.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/utility/remotevalues.h"

namespace localnetwork {

namespace {

const QString lineBreak = QStringLiteral("\n");

} // namespace

LNAPermissionScreen::LNAPermissionScreen(LNAManager &manager, Reachability &reachability,
                                         const RemoteValues &remoteValues, ZEPThemeManager &theme,
                                         const ui::ColorResolver &colors, SettingsOpener openSettings,
                                         platform::NotificationCenter &center, QObject *parent)
    : ScreenController(parent)
    , m_manager(manager)
    , m_reachability(reachability)
    , m_remoteValues(remoteValues)
    , m_theme(theme)
    , m_colors(colors)
    , m_openSettings(std::move(openSettings))
    , m_center(center) {
    setTitle(tr("Local Network"));
}

LNAPermissionScreen::~LNAPermissionScreen() {
    for (quint64 token : m_observers)
        m_center.removeObserver(token);
    if (m_manager.delegate() == this)
        m_manager.setDelegate(nullptr);
}

void LNAPermissionScreen::viewDidLoad() {
    m_infoImage = m_theme.lnaPermissionScreenImgInfoBtn();
    m_accentColor = m_colors.color(m_theme.themeColorInAllApp());
    m_title = {{"WE NEED TO CONNECT"},
               {lineBreak},
               {"TO "},
               {"WIFI", true},
               {lineBreak},
               {"FOR OVER-THE-AIR"},
               {lineBreak},
               {"MIRRORING", true}};
    m_description = {
        {"Please give Orvanta permission to access"}, {lineBreak}, {"the "}, {"Local Network", true}};
    emit changed();
}

void LNAPermissionScreen::viewWillAppear() {
    m_reachabilityConnection = connect(&m_reachability, &Reachability::reachabilityChanged, this,
                                       &LNAPermissionScreen::handleWifiConnection);
    handleWifiConnection();
    m_lnaText = QStringLiteral("Continue");
    if (wifiAvailable())
        showStateForAnsweredAlert();
    else
        updateUIForNoWifi();
    m_manager.setDelegate(this);
    m_observers << m_center.addObserver(
        applicationDidBecomeActiveNotification(), [this](const platform::Notification &) { startPing(); },
        this);
    m_observers << m_center.addObserver(
        m_remoteValues.updateNotificationName(),
        [this](const platform::Notification &) {
            // The refresh may be posted from any thread; the screen changes on its own.
            QMetaObject::invokeMethod(
                this, [this] { applicationManagerDidUpdateSettings(); }, Qt::QueuedConnection);
        },
        this);
}

void LNAPermissionScreen::viewWillDisappear() {
    disconnect(m_reachabilityConnection);
    for (quint64 token : std::exchange(m_observers, {}))
        m_center.removeObserver(token);
    if (m_manager.delegate() == this)
        m_manager.setDelegate(nullptr);
}

QString LNAPermissionScreen::logoPictureName() const {
    return m_logo + QLatin1Char('-') + m_theme.themeSuffix();
}

bool LNAPermissionScreen::wifiAvailable() const {
    return m_reachability.isReachable();
}

void LNAPermissionScreen::showStateForAnsweredAlert() {
    if (m_manager.hasLNAAlertShown())
        updateUIForDisabledLNAAccess();
    else
        updateInitialUI();
}

void LNAPermissionScreen::handleWifiConnection() {
    if (!wifiAvailable())
        updateUIForNoWifi();
    else if (!m_isLNAEnabled)
        showStateForAnsweredAlert();
    else
        closeScreen();
}

void LNAPermissionScreen::applicationManagerDidUpdateSettings() {
    m_lnaText = QStringLiteral("Give Permission");
    if (!wifiAvailable())
        updateUIForNoWifi();
    else
        showStateForAnsweredAlert();
}

void LNAPermissionScreen::startPing() {
    if (m_manager.hasPingSent() || !wifiAvailable())
        return;
    m_manager.setHasLNAAlertTriggered(true);
    m_manager.startPing();
}

void LNAPermissionScreen::permissionBtn() {
    if (wifiAvailable() && !m_manager.hasLNAAlertShown()) {
        m_manager.setHasLNAAlertTriggered(true);
        m_manager.requestAuthorization();
        m_buttonTitle.clear();
        m_indicatorAnimating = true;
        emit changed();
        return;
    }
    if (m_openSettings)
        m_openSettings();
}

void LNAPermissionScreen::infoBtnTapped() {
    showInfo();
}

void LNAPermissionScreen::learnMoreBtn() {
    showInfo();
}

void LNAPermissionScreen::showInfo() {
    present(new LNAInfoViewController(m_theme), ui::Presentation::sheet());
}

void LNAPermissionScreen::didReceiveResponseFromPing(bool granted) {
    m_isLNAEnabled = granted;
    if (!wifiAvailable())
        updateUIForNoWifi();
    else if (!granted)
        updateUIForDisabledLNAAccess();
    else
        closeScreen();
}

void LNAPermissionScreen::updateUIForNoWifi() {
    m_state = State::NoWifi;
    m_indicatorAnimating = false;
    m_descriptionVisible = false;
    m_permissionText = QStringLiteral("Without wifi the app will not work");
    m_buttonTitle = QStringLiteral("Open Settings");
    m_logo = QStringLiteral("carpno-wi-last");
    emit changed();
}

void LNAPermissionScreen::updateUIForDisabledLNAAccess() {
    m_state = State::Disabled;
    m_indicatorAnimating = false;
    m_descriptionVisible = true;
    m_permissionText = QStringLiteral("Without this permission the app will not work");
    m_buttonTitle = QStringLiteral("Enable Local Network");
    m_logo = QStringLiteral("logoInPermisson");
    emit changed();
}

void LNAPermissionScreen::updateInitialUI() {
    // The description keeps whatever visibility the state before left it.
    m_state = State::Initial;
    m_indicatorAnimating = false;
    m_permissionText = QStringLiteral("Without this permission the app will not work");
    m_buttonTitle = m_lnaText;
    m_logo = QStringLiteral("logoInPermisson");
    emit changed();
}

void LNAPermissionScreen::closeScreen() {
    // The request is carried out by the host without blocking, so the delegate hears of it after
    // the screen has been asked to go and no longer observes anything.
    viewWillDisappear();
    dismiss();
    emit permissionAllowed();
    if (m_delegate)
        m_delegate->hasAllowedLNAPermission();
}

} // namespace localnetwork
