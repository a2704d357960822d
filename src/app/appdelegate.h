#pragma once

#include "app/keyboardmanager.h"
#include "ui/viewregistry.h"
#include "zepcommon/settings/settingsscreen.h"
#include "zepcommon/theme/themecolor.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class AppLoadingView;
class MainTabBarController;
class MainWindow;
class PlaceholderScreen;
class RemoteValues;
class ZEPThemeManager;

namespace account {
class AccountFlow;
class ApiManager;
} // namespace account
namespace browser {
class CellThumbnails;
class FileBrowserViewController;
class ImportViewController;
class ViewerFactory;
} // namespace browser
namespace platform {
class Defaults;
class NotificationCenter;
} // namespace platform
namespace thumbnails {
class ThumbnailService;
}
namespace transfer {
class TransferService;
class TransferViewController;
} // namespace transfer
namespace ui {
class ColorResolver;
class ScreenHost;
} // namespace ui

// The process-wide objects and services launch uses, created at the edge (the program's startup)
// and handed in. None is owned by the delegate.
struct AppEnvironment {
    ZEPThemeManager &theme;
    const ui::ColorResolver &colors;
    platform::NotificationCenter &center;
    transfer::TransferService &transferService;
    // Starts the remote-values refresher.
    std::function<void()> startRemoteValuesRefresher;
    // Keeps the screen from dimming or locking for the whole run.
    std::function<void()> keepScreenAwake;
    // The splash ends on their update notification, which the refresher posts after each refresh.
    const RemoteValues &remoteValues;
    // The network interface whose address the transfer screen shows (the Wi-Fi interface).
    QString wifiInterface;
    // The transfer screen announces its server over DNS-SD and hosts the local-network
    // permission screen (off where no Avahi should be asked, as in tests).
    bool localNetwork = false;
    // Where the browser keeps its view mode and sort option; null: the standard defaults.
    platform::Defaults *defaults = nullptr;
    // The screens the browser opens files in; null: the picture viewer and the PDF reader.
    browser::ViewerFactory *viewers = nullptr;
    // The colour theme applied at launch.
    ThemeColor themeColor = ThemeColor::Orange;
    // What the settings screen reaches: the account screens, the rating pop-up, the catalogue,
    // custom rows (unset hooks leave their rows and the clickable header out), the account state
    // its sign-in row shows (none: signed out) and how it opens web and mail addresses (none:
    // the desktop's handlers).
    SettingsHooks settingsHooks;
    SettingsSession settingsSession;
    UrlOpener openUrl;
    // The account service behind the sign-in screens, which the Settings tab opens; null: no
    // account screens (tests that do not need them).
    account::ApiManager *accounts = nullptr;
};

// Prepares the process and shows the first screens. didFinishLaunching runs, in this order:
//   1. the remote-values refresher starts;
//   2. the screen is kept awake;
//   3. the colour theme is applied (orange unless the environment names another);
//   4. a click outside a text field ends editing (KeyboardManager);
//   5. the window is shown;
//   6. the root screen — MainTabBarController with its three tabs (the file browser in a navigation
//      stack, the transfer screen, and the settings button, which opens the settings screen over
//      the current tab, as the browser's More menu does), their pages made by the view
//      registry — is set in the window, which turns black behind it; a screen host carries out
//      the presentations and alerts the screens ask for;
//      the browser's add button and files dropped onto it open the add sheet;
//   7. the splash (AppLoadingScreen with the logo "TidewellLogo", no animation) is laid over the
//      window at once, without an appearing animation; it goes away by itself.
// Each step writes a console line. GUI thread only; launch runs once.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    static QString logoImageName(); // "TidewellLogo"

    explicit AppDelegate(AppEnvironment environment, QObject *parent = nullptr);
    ~AppDelegate() override;

    // Always true (the platform's launch options are not read). A second call does nothing.
    bool didFinishLaunching();
    // The app is about to quit: the shown screen disappears (the transfer server stops).
    void applicationWillTerminate();

    MainWindow *window() const { return m_window.get(); }
    MainTabBarController *tabBarController() const;
    browser::FileBrowserViewController *fileBrowser() const;
    transfer::TransferViewController *transferScreen() const;
    // The account flow the Settings tab opens; null without an account service.
    account::AccountFlow *accountFlow() const { return m_accountFlow; }
    KeyboardManager &keyboardManager() { return m_keyboard; }
    // The splash while it is on screen; null once it has gone.
    AppLoadingView *loadingView() const;
    // Without animations the splash's bar and exit change at once (tests and screenshots).
    void setSplashAnimationsEnabled(bool enabled) { m_splashAnimations = enabled; }

private:
    void registerViews();
    void installRootScreen();
    ui::ScreenController *makeFileBrowser();
    // The add sheet over the browser, 400 high, for the folder it shows.
    browser::ImportViewController *presentAddSheet();
    void presentLoadingScreen();
    void openSettings();
    // The sign-in hub and its forms over the account service, opened from the Settings tab.
    void installAccountFlow();

    AppEnvironment m_environment;
    KeyboardManager m_keyboard;
    ui::ViewRegistry m_views;
    std::unique_ptr<MainWindow> m_window;
    QPointer<ui::ScreenHost> m_host;
    QPointer<MainTabBarController> m_tabBarController;
    QPointer<browser::FileBrowserViewController> m_fileBrowser;
    std::unique_ptr<browser::ViewerFactory> m_viewers;
    std::unique_ptr<thumbnails::ThumbnailService> m_pictureThumbnails;
    std::unique_ptr<thumbnails::ThumbnailService> m_pdfThumbnails;
    std::unique_ptr<browser::CellThumbnails> m_cellThumbnails;
    QPointer<transfer::TransferViewController> m_transferScreen;
    QPointer<AppLoadingView> m_loadingView;
    account::AccountFlow *m_accountFlow = nullptr;
    bool m_launched = false;
    bool m_splashAnimations = true;
};
