#include "app/desktopapp.h"

#include "app/appdelegate.h"
#include "app/screensaverinhibitor.h"
#include "platform/notificationcenter.h"
#include "tarnwick/remotevaluesrefresher.h"
#include "transfer/screen/windowalerts.h"
#include "transfer/transferserver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QApplication>

int runDesktopApp(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidewell"));
    QApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tidewell"));

    transfer::TransferServer &server = transfer::TransferServer::shared();
    server.setAlerts(std::make_shared<transfer::WindowAlerts>());
    ScreenSaverInhibitor inhibitor;

    AppDelegate delegate(AppEnvironment{
        ZEPThemeManager::shared(),
        platform::NotificationCenter::defaultCenter(),
        server,
        [] { tarnwick::RemoteValuesRefresher::start(); },
        [&inhibitor] {
            inhibitor.inhibit(QStringLiteral("Tidewell"), QStringLiteral("Files are moved over Wi-Fi"));
        },
        tarnwick::RemoteValuesRefresher::updateNotificationName(),
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    delegate.didFinishLaunching();
    return app.exec();
}
