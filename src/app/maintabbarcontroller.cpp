#include "app/maintabbarcontroller.h"

#include "transfer/screen/transferviewcontroller.h"

std::vector<MainTabBarController::Tab>
MainTabBarController::appTabs(ui::ScreenController *fileBrowser, transfer::TransferViewController *transfer,
                              ui::ScreenController *settings) {
    return {
        {fileBrowser, {tr("Files"), QStringLiteral("Home-")}},
        {transfer, {tr("Wi-Fi Transfer"), QStringLiteral("bx_wifi-")}},
        {settings, {tr("Settings"), QStringLiteral("Settings-")}},
    };
}

MainTabBarController::MainTabBarController(std::vector<Tab> tabs, QObject *parent)
    : ScreenController(parent) {
    for (const Tab &tab : tabs) {
        m_tabs.push_back({tab.screen, tab.item});
        if (!tab.screen)
            continue;
        tab.screen->setInTabBar(true);
        connect(tab.screen, &ScreenController::presentRequested, this, &ScreenController::presentRequested);
        connect(tab.screen, &ScreenController::alertRequested, this, &ScreenController::alertRequested);
        if (auto *transferScreen = qobject_cast<transfer::TransferViewController *>(tab.screen))
            transferScreen->setDelegate(this);
    }
}

MainTabBarController::~MainTabBarController() {
    for (const Entry &tab : m_tabs) {
        auto *transferScreen = qobject_cast<transfer::TransferViewController *>(tab.screen.data());
        if (transferScreen && transferScreen->delegate() == this)
            transferScreen->setDelegate(nullptr);
    }
}

ui::ScreenController *MainTabBarController::screenAt(int index) const {
    if (index < 0 || index >= count())
        return nullptr;
    return m_tabs[size_t(index)].screen.data();
}

MainTabBarController::TabItem MainTabBarController::tabItem(int index) const {
    if (index < 0 || index >= count())
        return {};
    return m_tabs[size_t(index)].item;
}

void MainTabBarController::viewDidLoad() {
    if (m_selectedIndex >= 0 || m_tabs.empty())
        return;
    ui::ScreenController *first = screenAt(0);
    if (first)
        first->beginAppearanceTransition(true);
    m_selectedIndex = 0;
    m_visible = true;
    emit selectedIndexChanged(m_selectedIndex);
    if (first)
        first->endAppearanceTransition();
}

bool MainTabBarController::shouldSelectTab(int index) const {
    if (index < 0 || index >= count())
        return false;
    if (index == SettingsTab && m_settingsOpener)
        return false;
    return !m_selectionRule || m_selectionRule(index);
}

bool MainTabBarController::selectTab(int index) {
    if (index == SettingsTab && index < count() && m_settingsOpener) {
        m_settingsOpener(*this);
        return false;
    }
    if (index == m_selectedIndex)
        return true;
    if (!shouldSelectTab(index))
        return false;
    ui::ScreenController *previous = screenAt(m_selectedIndex);
    ui::ScreenController *next = screenAt(index);
    if (previous)
        previous->beginAppearanceTransition(false);
    if (next)
        next->beginAppearanceTransition(true);
    m_selectedIndex = index;
    emit selectedIndexChanged(index);
    if (next)
        next->endAppearanceTransition();
    return true;
}

void MainTabBarController::viewWillDisappear() {
    if (!m_visible)
        return;
    m_visible = false;
    if (ui::ScreenController *shown = screenAt(m_selectedIndex))
        shown->beginAppearanceTransition(false);
}
