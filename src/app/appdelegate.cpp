#include "app/appdelegate.h"

#include "app/bottomtabbar.h"
#include "browser/cellthumbnails.h"
#include "browser/filebrowserview.h"
#include "browser/filebrowserviewcontroller.h"
#include "browser/import/importview.h"
#include "browser/import/importviewcontroller.h"
#include "browser/viewers/viewers.h"
#include "browser/viewers/viewerviews.h"
#include "platform/defaults.h"
#include "thumbnails/imagedecoder.h"
#include "thumbnails/thumbnailservice.h"
#include "ui/navigationcontroller.h"
#include "ui/navigationstack.h"

#include "app/maintabbarcontroller.h"
#include "app/maintabbarview.h"
#include "app/mainwindow.h"
#include "app/placeholderpage.h"
#include "app/placeholderscreen.h"
#include "app/settingslauncher.h"
#include "platform/defaults.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "transfer/screen/transferlocalnetwork.h"
#include "transfer/screen/transferview.h"
#include "transfer/screen/transferviewcontroller.h"
#include "transfer/screen/wifiaddress.h"
#include "ui/screenhost.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/reachabilityfeed.h"
#include "zepcommon/account/accountkeys.h"
#include "zepcommon/account/oauth/applesignin.h"
#include "zepcommon/account/oauth/googlesignin.h"
#include "zepcommon/account/qrscreens/createqrscreen.h"
#include "zepcommon/account/qrscreens/qrscreenviews.h"
#include "zepcommon/account/qrscreens/readqrscreen.h"
#include "zepcommon/account/screens/accountflow.h"
#include "zepcommon/account/screens/accountform.h"
#include "zepcommon/account/screens/changepasswordviewcontroller.h"
#include "zepcommon/catalogue/allappsview.h"
#include "zepcommon/catalogue/allappsviewcontroller.h"
#include "zepcommon/loading/apploadingscreen.h"
#include "zepcommon/loading/apploadingview.h"
#include "zepcommon/rating/ratingflow.h"
#include "zepcommon/rating/ratingviews.h"
#include "zepcommon/rating/reviewservices.h"
#include "zepcommon/settings/settingslinks.h"
#include "zepcommon/settings/settingsview.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/theme/zeputils.h"
#include "zepcommon/utility/remotevalues.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QPalette>

QString AppDelegate::logoImageName() {
    return QStringLiteral("TidewellLogo");
}

AppDelegate::AppDelegate(AppEnvironment environment, QObject *parent)
    : QObject(parent)
    , m_environment(std::move(environment))
    , m_window(std::make_unique<MainWindow>()) {
    registerViews();
}

AppDelegate::~AppDelegate() = default;

browser::FileBrowserViewController *AppDelegate::fileBrowser() const {
    return m_fileBrowser.data();
}

MainTabBarController *AppDelegate::tabBarController() const {
    return m_tabBarController.data();
}
transfer::TransferViewController *AppDelegate::transferScreen() const {
    return m_transferScreen.data();
}
AppLoadingView *AppDelegate::loadingView() const {
    return m_loadingView.data();
}

bool AppDelegate::didFinishLaunching() {
    if (m_launched)
        return true;
    m_launched = true;

    if (m_environment.startRemoteValuesRefresher)
        m_environment.startRemoteValuesRefresher();
    platform::log(QStringLiteral("Launch: remote values refresher started"));

    if (m_environment.keepScreenAwake)
        m_environment.keepScreenAwake();
    platform::log(QStringLiteral("Launch: asked to keep the screen awake"));

    m_environment.theme.applyTheme(m_environment.themeColor);
    platform::log(QStringLiteral("Launch: %1 theme applied").arg(m_environment.theme.themeSuffix()));

    m_keyboard.setResignOnTouchOutside(true);

    m_window->show();
    ZEPUtils::setApplicationWindow(m_window->windowHandle());

    installRootScreen();
    m_window->show();
    m_window->activateWindow();
    m_window->setBackgroundColor(Qt::black);
    platform::log(QStringLiteral("Launch: main window shown with the tab bar"));

    presentLoadingScreen();
    return true;
}

void AppDelegate::registerViews() {
    m_views.add<ui::NavigationController>([this](ui::NavigationController *stack) {
        auto *view = new ui::NavigationStack(stack, m_views);
        view->setAutoFillBackground(true);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, QColor(0x1C, 0x1C, 0x1E));
        view->setPalette(palette);
        view->largeTitleLabel()->setIndent(12);
        return view;
    });
    m_views.add<browser::FileBrowserViewController>([this](browser::FileBrowserViewController *screen) {
        return new browser::FileBrowserView(screen, *m_cellThumbnails, m_environment.theme);
    });
    browser::registerViewerViews(m_views);
    m_views.add<browser::ImportViewController>(
        [](browser::ImportViewController *screen) { return new browser::ImportView(screen); });
    m_views.add<PlaceholderScreen>([](PlaceholderScreen *screen) { return new PlaceholderPage(screen); });
    rating::registerViews(m_views);
    catalogue::registerViews(m_views);
    registerSettingsViews(m_views, m_environment.theme);
    m_views.add<transfer::TransferViewController>([](transfer::TransferViewController *screen) {
        auto *view = new transfer::TransferView(screen);
        view->load();
        return view;
    });
}

void AppDelegate::installRootScreen() {
    ui::ScreenController *files = makeFileBrowser();
    auto *transferScreen = new transfer::TransferViewController(
        m_environment.transferService, m_environment.theme, m_environment.colors,
        transfer::addressLookup(m_environment.wifiInterface), {}, this);
    if (m_environment.localNetwork) {
        auto *localNetwork = new transfer::TransferLocalNetwork(
            platform::Defaults::standard(), m_environment.center, m_environment.theme, m_environment.colors,
            m_environment.remoteValues, this);
        localNetwork->registerViews(m_views);
        localNetwork->attach(transferScreen);
    }
    // The settings tab is a button with no screen of its own (setSettingsOpener below).
    if (m_environment.accounts)
        installAccountFlow();
    auto *tabBarController =
        new MainTabBarController(MainTabBarController::appTabs(files, transferScreen, nullptr), this);
    auto *root = new MainTabBarView(tabBarController, m_environment.theme);
    root->setObjectName(QStringLiteral("mainTabBarView"));
    for (int index = 0; index < tabBarController->count(); ++index) {
        QWidget *page = m_views.makeView(tabBarController->screenAt(index));
        root->addPage(page ? page : new QWidget);
    }
    m_window->setRootScreen(root);
    m_host = new ui::ScreenHost(m_window.get(), m_views, this);
    if (m_accountFlow)
        m_accountFlow->setWindow(m_window.get());
    m_host->attach(tabBarController);
    tabBarController->viewDidLoad();
    m_transferScreen = transferScreen;
    m_tabBarController = tabBarController;
    tabBarController->setFileBrowser(m_fileBrowser);
    tabBarController->setSettingsOpener([this](MainTabBarController &) { openSettings(); });
    connect(m_fileBrowser, &browser::FileBrowserViewController::settingsRequested, this,
            [this] { openSettings(); });
    connect(m_fileBrowser, &browser::FileBrowserViewController::addSheetRequested, this,
            [this] { presentAddSheet(); });
    connect(m_fileBrowser, &browser::FileBrowserViewController::importRequested, this,
            [this](const QUrl &, const QList<QUrl> &urls) {
                if (browser::ImportViewController *sheet = presentAddSheet())
                    sheet->importPicked(urls);
            });
    connect(m_fileBrowser, &browser::FileBrowserViewController::stateChanged, root,
            [this, root] { root->tabBar()->setVisible(m_fileBrowser->barState().tabBarVisible); });
}

ui::ScreenController *AppDelegate::makeFileBrowser() {
    // Pictures and video frames share the desktop's thumbnail cache; the PDF canvases of the cells are
    // no standard thumbnails, so they are kept in a cache of the app's own.
    m_pictureThumbnails = std::make_unique<thumbnails::ThumbnailService>();
    thumbnails::ThumbnailService::Options pdfOptions;
    pdfOptions.cacheRoot = platform::cacheFolder() + QStringLiteral("/pdf-cells");
    pdfOptions.generator = browser::pdfCellThumbnail;
    m_pdfThumbnails = std::make_unique<thumbnails::ThumbnailService>(pdfOptions);
    m_cellThumbnails = std::make_unique<browser::CellThumbnails>(*m_pictureThumbnails, *m_pdfThumbnails);
    browser::ViewerFactory *viewers = m_environment.viewers;
    if (!viewers) {
        m_viewers = std::make_unique<browser::Viewers>();
        viewers = m_viewers.get();
    }
    platform::Defaults &defaults =
        m_environment.defaults ? *m_environment.defaults : platform::Defaults::standard();
    auto *browserScreen = new browser::FileBrowserViewController(
        browser::FileBrowserEnvironment{*viewers, defaults, [] { return platform::documentFolder(); },
                                        thumbnails::isDecodableImage},
        this);
    m_fileBrowser = browserScreen;
    return new ui::NavigationController(browserScreen, this);
}

browser::ImportViewController *AppDelegate::presentAddSheet() {
    if (!m_fileBrowser)
        return nullptr;
    browser::ImportEnvironment environment{[] { return platform::documentFolder(); },
                                           thumbnails::isDecodableImage,
                                           [this] {
                                               return new transfer::TransferViewController(
                                                   m_environment.transferService, m_environment.theme,
                                                   m_environment.colors,
                                                   transfer::addressLookup(m_environment.wifiInterface));
                                           },
                                           {}};
    auto *sheet = new browser::ImportViewController(std::move(environment));
    sheet->setDelegate(m_fileBrowser);
    sheet->setOpenFolder(m_fileBrowser->openFolder());
    m_fileBrowser->present(sheet, ui::Presentation::sheet(400));
    return sheet;
}

void AppDelegate::installAccountFlow() {
    account::ApiManager &api = *m_environment.accounts;
    new account::ReachabilityFeed(api, this);
    platform::Defaults &defaults =
        m_environment.defaults ? *m_environment.defaults : platform::Defaults::standard();
    const account::AccountEnvironment accounts{api, defaults, m_environment.center, m_environment.theme,
                                               m_environment.colors};
    // The providers run in the desktop's browser; without a client identifier in the settings the
    // hub says they are not set up.
    const account::OAuthSettings oauth = account::OAuthSettings::fromDefaults(defaults);
    auto *google = new account::GoogleSignIn(oauth);
    google->setParent(this);
    auto *apple = new account::AppleSignIn(oauth);
    apple->setParent(this);
    // The cameras are looked for when the reader opens, not at launch.
    auto makeQrReader = [accounts]() -> ui::ScreenController * {
        return new account::ReadQRScreen(accounts.api, accounts.defaults, accounts.center,
                                         account::makeCameraBackend());
    };
    // The account screen sits in a stack of its own so that it can push the change-password form;
    // its Back closes the whole stack.
    auto makeAccountScreen = [accounts]() -> ui::ScreenController * {
        auto *screen = new account::CreateQRScreen(
            accounts.api, accounts.defaults, accounts.center, accounts.theme, accounts.colors,
            [accounts]() -> ui::ScreenController * { return new account::ChangePasswordViewController(accounts); });
        auto *stack = new account::AccountNavigationController(screen);
        QObject::connect(screen, &ui::ScreenController::dismissRequested, stack, [stack] {
            if (stack->depth() == 1)
                stack->dismiss();
        });
        return stack;
    };
    m_accountFlow =
        new account::AccountFlow(accounts, google, apple, std::move(makeQrReader), std::move(makeAccountScreen), this);
    m_accountFlow->registerViews(m_views);
    account::registerQrScreenViews(m_views, m_environment.theme);
    api.setTopScreen(m_accountFlow);
    // A session kept from an earlier run counts once the server has confirmed it.
    if (!defaults.stringValue(QString::fromLatin1(account::keys::sessionId)).isEmpty())
        api.validateSession();
}

void AppDelegate::presentLoadingScreen() {
    auto *screen = new AppLoadingScreen(m_environment.theme, m_environment.colors, m_environment.center);
    screen->setAppLogoIcon(logoImageName());
    const QString remoteValuesNotification = m_environment.remoteValues.updateNotificationName();
    if (!remoteValuesNotification.isEmpty())
        screen->setRemoteValuesNotificationName(remoteValuesNotification);
    auto *view = new AppLoadingView(screen, m_window->rootScreen());
    screen->setParent(view); // both go when the splash is dismissed
    view->setAnimationsEnabled(m_splashAnimations);
    view->load();
    view->show();
    view->raise();
    m_loadingView = view;
    connect(screen, &AppLoadingScreen::dismissed, this,
            [] { platform::log(QStringLiteral("Launch: splash screen dismissed")); });
    platform::log(QStringLiteral("Launch: splash screen shown"));
}

void AppDelegate::openSettings() {
    if (!m_tabBarController)
        return;
    UrlOpener opener = m_environment.openUrl;
    if (!opener)
        opener = [](const QUrl &url) {
            return QDesktopServices::openUrl(url);
        };
    // Hooks the host did not set are met by the app's own screens.
    SettingsHooks hooks = m_environment.settingsHooks;
    if (!hooks.openAccount && m_accountFlow)
        hooks.openAccount = [flow = m_accountFlow](ui::ScreenController *from) { flow->open(from); };
    if (!hooks.requestReview)
        hooks.requestReview = [](ui::ScreenController *from) {
            rating::ReviewServices services = rating::ReviewServices::desktop();
            services.ownStoreId = QString::fromLatin1(settingslinks::ownStoreId);
            rating::presentRatingPopUp(from, {}, std::move(services));
        };
    if (!hooks.openCatalogue)
        hooks.openCatalogue = [](ui::ScreenController *from) {
            from->present(catalogue::makeAllAppsViewController(), ui::Presentation::fullScreen());
        };
    SettingsLauncher::openSettings(m_tabBarController,
                                   SettingsEnvironment{m_environment.center, m_environment.settingsSession,
                                                       std::move(opener), std::move(hooks),
                                                       QCoreApplication::applicationName(),
                                                       QCoreApplication::applicationVersion()},
                                   m_environment.remoteValues);
}

void AppDelegate::applicationWillTerminate() {
    if (m_tabBarController)
        m_tabBarController->viewWillDisappear();
}
