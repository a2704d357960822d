#include "app/maintabbarcontroller.h"

#include "transfer/screen/transferviewcontroller.h"

MainTabBarController::TabItem MainTabBarController::tabItem(int index) {
    switch (index) {
    case FileBrowserTab:
        return {tr("Files"), QStringLiteral("Home-")};
    case TransferTab:
        return {tr("Wi-Fi Transfer"), QStringLiteral("bx_wifi-")};
    case SettingsTab:
        return {tr("Settings"), QStringLiteral("Settings-")};
    default:
        return {};
    }
}

MainTabBarController::MainTabBarController(transfer::TransferViewController *transferScreen, QObject *parent)
    : QObject(parent)
    , m_transferScreen(transferScreen) {
    m_transferScreen->setInTabBar(true);
    m_transferScreen->setDelegate(this);
}

MainTabBarController::~MainTabBarController() {
    if (m_transferScreen && m_transferScreen->delegate() == this)
        m_transferScreen->setDelegate(nullptr);
}

void MainTabBarController::viewDidLoad() {
    if (m_selectedIndex >= 0)
        return;
    screenWillAppear(FileBrowserTab);
    m_selectedIndex = FileBrowserTab;
    m_visible = true;
    emit selectedIndexChanged(m_selectedIndex);
    screenDidAppear(FileBrowserTab);
}

bool MainTabBarController::shouldSelectTab(int index) const {
    return index >= 0 && index < tabCount;
}

bool MainTabBarController::selectTab(int index) {
    if (index == m_selectedIndex)
        return true;
    if (!shouldSelectTab(index))
        return false;
    const int previous = m_selectedIndex;
    screenWillDisappear(previous);
    screenWillAppear(index);
    m_selectedIndex = index;
    emit selectedIndexChanged(index);
    screenDidAppear(index);
    return true;
}

void MainTabBarController::viewWillDisappear() {
    if (!m_visible)
        return;
    m_visible = false;
    screenWillDisappear(m_selectedIndex);
}

void MainTabBarController::screenWillAppear(int index) {
    if (index == TransferTab && m_transferScreen)
        m_transferScreen->viewWillAppear();
}

void MainTabBarController::screenDidAppear(int index) {
    if (index == TransferTab && m_transferScreen)
        m_transferScreen->viewDidAppear();
}

void MainTabBarController::screenWillDisappear(int index) {
    if (index == TransferTab && m_transferScreen)
        m_transferScreen->viewWillDisappear();
}
