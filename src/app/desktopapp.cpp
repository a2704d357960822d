#include "app/desktopapp.h"

#include "zepcommon/account/apimanager.h"

#include "app/appdelegate.h"
#include "zepcommon/catalogue/nativeappstracker.h"
#include "app/screensaverinhibitor.h"
#include "platform/defaults.h"
#include "platform/networkinterfaces.h"
#include "platform/notificationcenter.h"
#include "tarnwick/remotevaluesrefresher.h"
#include "transfer/screen/transferservice.h"
#include "transfer/screen/windowalerts.h"
#include "transfer/transferserver.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/utility/remotevalues.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {

// The transfer server's port and address from the command line (Qt's own options are gone by
// now); false, with a message, when they are not valid.
bool applyServerOptions(transfer::TransferServer &server) {
    QCommandLineParser parser;
    parser.addOption(
        {"port", "The transfer server's TCP port (default 8080; 0 picks a free one).", "N", "8080"});
    parser.addOption({"bind", "The address the transfer server listens on (default ::).", "ADDRESS", "::"});
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "tidewell: %s\n", qPrintable(parser.errorText()));
        return false;
    }
    bool portOk = false;
    const uint port = parser.value("port").toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "tidewell: --port wants a number from 0 to 65535, not '%s'\n",
                     qPrintable(parser.value("port")));
        return false;
    }
    server.setPort(uint16_t(port));
    server.setBindAddress(parser.value("bind").toStdString());
    return true;
}

// TIDEWELL_THEME=blue picks the blue theme and TIDEWELL_APPEARANCE=dark the dark colours, for
// looking at both without changing the desktop's settings.
ThemeColor themeFromEnvironment() {
    return qEnvironmentVariable("TIDEWELL_THEME") == QLatin1String("blue") ? ThemeColor::Blue
                                                                           : ThemeColor::Orange;
}

void applyAppearanceFromEnvironment() {
    const QString appearance = qEnvironmentVariable("TIDEWELL_APPEARANCE");
    if (appearance == QLatin1String("dark"))
        ZEPColors::setAppearanceOverride(ZEPColors::Appearance::Dark);
    else if (appearance == QLatin1String("light"))
        ZEPColors::setAppearanceOverride(ZEPColors::Appearance::Light);
}

} // namespace

int runDesktopApp(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidewell"));
    QApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tidewell"));

    transfer::TransferServer &server = transfer::TransferServer::shared();
    if (!applyServerOptions(server))
        return 2;
    server.setAlerts(std::make_shared<transfer::WindowAlerts>());
    transfer::TransferServerService service(server);
    ScreenSaverInhibitor inhibitor;
    const ZEPColorResolver colors;
    const TarnwickRemoteValues remoteValues;
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();

    applyAppearanceFromEnvironment();
    AppEnvironment environment{
        ZEPThemeManager::shared(),
        colors,
        center,
        service,
        [] { tarnwick::RemoteValuesRefresher::start(); },
        [&inhibitor] {
            inhibitor.inhibit(QStringLiteral("Tidewell"), QStringLiteral("Files are moved over Wi-Fi"));
        },
        remoteValues,
        platform::wifiInterfaceName(),
        true,
    };
    environment.themeColor = themeFromEnvironment();
    environment.accounts = &account::ApiManager::shared();
    environment.settingsSession =
        SettingsSession::of(account::ApiManager::shared(), platform::Defaults::standard());
    AppDelegate delegate(std::move(environment));
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    delegate.didFinishLaunching();
    // The catalogue's list is built now and again on every remote-values refresh, so the launcher
    // badge counts the maker's apps that are not installed without the page being opened.
    catalogue::NativeAppsTracker::shared().loadNativeApps();
    return app.exec();
}
