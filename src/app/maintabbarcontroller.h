#pragma once

#include "transfer/screen/transferviewcontrollerdelegate.h"
#include "ui/screencontroller.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

namespace transfer {
class TransferViewController;
}

// The root screen's behaviour: tabs at the bottom of the window, each a screen with its tab
// item, and which one is shown. The app has three (appTabs): the file browser, the Wi-Fi transfer
// screen for the document folder, and settings.
//
// It is its own tab bar delegate: shouldSelectTab decides whether a switch happens (every tab is
// allowed unless a selection rule says otherwise). Every tab's screen gets the same lifecycle:
// switching calls the old screen's viewWillDisappear, then the new one's viewWillAppear before its
// page shows (selectedIndexChanged) and its viewDidAppear after. Each screen is marked as being in
// a tab bar; presentations and alerts the screens ask for are passed on as this screen's own
// requests. A transfer screen among the tabs gets this controller as its delegate, through which
// it reaches the file browser set with setFileBrowser.
//
// Screens are not owned; one that is destroyed is left alone. GUI thread only.
class MainTabBarController : public ui::ScreenController, public transfer::TransferViewControllerDelegate {
    Q_OBJECT
public:
    // Where the app's tabs stand (appTabs).
    enum AppTab { FileBrowserTab = 0, TransferTab = 1, SettingsTab = 2 };
    static constexpr int tabCount = 3;

    struct TabItem {
        QString title;
        QString iconBaseName; // a themed picture of the common bundle (base name + theme)
    };
    struct Tab {
        ui::ScreenController *screen;
        TabItem item;
    };
    // Says whether the tab at this index may be selected.
    using SelectionRule = std::function<bool(int index)>;

    // The app's three tabs with their items, in order.
    static std::vector<Tab> appTabs(ui::ScreenController *fileBrowser,
                                    transfer::TransferViewController *transfer,
                                    ui::ScreenController *settings);

    explicit MainTabBarController(std::vector<Tab> tabs, QObject *parent = nullptr);
    ~MainTabBarController() override;

    int count() const { return int(m_tabs.size()); }
    ui::ScreenController *screenAt(int index) const;
    TabItem tabItem(int index) const;
    int selectedIndex() const { return m_selectedIndex; }

    // Shows the first tab (its screen appears).
    void viewDidLoad() override;
    bool shouldSelectTab(int index) const;
    void setSelectionRule(SelectionRule rule) { m_selectionRule = std::move(rule); }
    // Switches when the index is valid, differs from the current one and shouldSelectTab allows
    // it; answers whether the tab at `index` is now the selected one. With a settings opener the
    // third tab is a button: it calls the opener and is never selected.
    bool selectTab(int index);
    // Opens the settings screen over the current tab (presented from this controller).
    void setSettingsOpener(std::function<void(MainTabBarController &tabs)> opener) {
        m_settingsOpener = std::move(opener);
    }
    bool hasSettingsOpener() const { return bool(m_settingsOpener); }
    // The whole root screen goes away (the app quits): the shown screen disappears, once.
    void viewWillDisappear() override;

    transfer::FolderRefreshing *fileBrowser() const override { return m_fileBrowser; }
    void setFileBrowser(transfer::FolderRefreshing *browser) { m_fileBrowser = browser; }

signals:
    void selectedIndexChanged(int index);

private:
    struct Entry {
        QPointer<ui::ScreenController> screen;
        TabItem item;
    };

    std::vector<Entry> m_tabs;
    transfer::FolderRefreshing *m_fileBrowser = nullptr;
    SelectionRule m_selectionRule;
    std::function<void(MainTabBarController &)> m_settingsOpener;
    int m_selectedIndex = -1;
    bool m_visible = false;
};
