#include "app/desktopapp.h"

#include "zepcommon/account/apimanager.h"

#include "app/appdelegate.h"
#include "app/screensaverinhibitor.h"
#include "platform/networkinterfaces.h"
#include "platform/notificationcenter.h"
#include "tarnwick/remotevaluesrefresher.h"
#include "transfer/screen/transferservice.h"
#include "transfer/screen/windowalerts.h"
#include "transfer/transferserver.h"
#include "zepcommon/theme/zepcolorresolver.h"
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

    AppDelegate delegate(AppEnvironment{
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
        nullptr,
        nullptr,
        &account::ApiManager::shared(),
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    delegate.didFinishLaunching();
    return app.exec();
}
