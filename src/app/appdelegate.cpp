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
#include "zepcommon/account/screens/accountflow.h"
#include "zepcommon/loading/apploadingscreen.h"
#include "zepcommon/loading/apploadingview.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/theme/zeputils.h"
#include "zepcommon/utility/remotevalues.h"

#include <QCoreApplication>
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

    m_environment.theme.applyTheme(ThemeColor::Orange);
    platform::log(QStringLiteral("Launch: orange theme applied"));

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
    auto *settings = new PlaceholderScreen(tr("Settings"),
                                           tr("Settings will open from this tab in a later version.\n\n"
                                              "Tidewell %1")
                                               .arg(QCoreApplication::applicationVersion()),
                                           this);
    if (m_environment.accounts)
        installAccountFlow(settings);
    auto *tabBarController =
        new MainTabBarController(MainTabBarController::appTabs(files, transferScreen, settings), this);
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
    connect(m_fileBrowser, &browser::FileBrowserViewController::settingsRequested, tabBarController,
            [tabBarController] { tabBarController->selectTab(MainTabBarController::SettingsTab); });
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

void AppDelegate::installAccountFlow(PlaceholderScreen *settings) {
    account::ApiManager &api = *m_environment.accounts;
    new account::ReachabilityFeed(api, this);
    platform::Defaults &defaults =
        m_environment.defaults ? *m_environment.defaults : platform::Defaults::standard();
    // The providers' sign-in, the QR reader and the account screen are not composed yet: the hub
    // says the providers are not set up and hides Scan QR, and a signed-in account opens the hub.
    m_accountFlow = new account::AccountFlow(
        {api, defaults, m_environment.center, m_environment.theme, m_environment.colors}, nullptr, nullptr,
        {}, {}, this);
    m_accountFlow->registerViews(m_views);
    api.setTopScreen(m_accountFlow);
    settings->setAction(tr("Account"), [this, settings] { m_accountFlow->open(settings); });
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

void AppDelegate::applicationWillTerminate() {
    if (m_tabBarController)
        m_tabBarController->viewWillDisappear();
}
