#include "app/desktopapp.h"

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

int runDesktopApp(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidewell"));
    QApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tidewell"));

    transfer::TransferServer &server = transfer::TransferServer::shared();
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
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    delegate.didFinishLaunching();
    return app.exec();
}
