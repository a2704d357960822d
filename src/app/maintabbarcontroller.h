#pragma once

#include "transfer/screen/transferviewcontroller.h"

#include <QObject>
#include <QPointer>
#include <QString>

// The root screen's behaviour: three tabs at the bottom of the window — the file browser, the
// Wi-Fi transfer screen for the document folder, and settings — and which one is shown.
//
// It is its own tab bar delegate: shouldSelectTab decides whether a switch happens (every switch
// is allowed for now). Switching drives the screens' lifecycle: the transfer screen's
// viewWillAppear runs before its page shows (selectedIndexChanged) and viewDidAppear after;
// leaving it runs viewWillDisappear first. It is the transfer screen's delegate and hands it the
// file browser set with setFileBrowser.
//
// The transfer screen is not owned; it is left alone once destroyed. GUI thread only.
class MainTabBarController : public QObject, public transfer::TransferViewControllerDelegate {
    Q_OBJECT
public:
    enum Tab { FileBrowserTab = 0, TransferTab = 1, SettingsTab = 2 };
    static constexpr int tabCount = 3;

    struct TabItem {
        QString title;
        QString iconBaseName; // a themed picture of the common bundle (base name + theme)
    };
    static TabItem tabItem(int index);

    explicit MainTabBarController(transfer::TransferViewController *transferScreen,
                                  QObject *parent = nullptr);
    ~MainTabBarController() override;

    transfer::TransferViewController *transferScreen() const { return m_transferScreen.data(); }
    int selectedIndex() const { return m_selectedIndex; }

    // Shows the first tab (its screen appears).
    void viewDidLoad();
    bool shouldSelectTab(int index) const;
    // Switches when the index is valid, differs from the current one and shouldSelectTab allows
    // it; answers whether the tab at `index` is now the selected one.
    bool selectTab(int index);
    // The whole root screen goes away (the app quits): the shown screen disappears, once.
    void viewWillDisappear();

    transfer::FolderRefreshing *fileBrowser() const override { return m_fileBrowser; }
    void setFileBrowser(transfer::FolderRefreshing *browser) { m_fileBrowser = browser; }

signals:
    void selectedIndexChanged(int index);

private:
    void screenWillAppear(int index);
    void screenDidAppear(int index);
    void screenWillDisappear(int index);

    QPointer<transfer::TransferViewController> m_transferScreen;
    transfer::FolderRefreshing *m_fileBrowser = nullptr;
    int m_selectedIndex = -1;
    bool m_visible = false;
};
