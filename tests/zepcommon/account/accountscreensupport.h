#pragma once

#include "accountrecorder.h"

#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "tarnwick/apiclient.h"
#include "ui/colorresolver.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/screens/accountform.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QUrl>
#include <functional>
#include <vector>

namespace testsupport {

class NoColors final : public ui::ColorResolver {
public:
    std::optional<QColor> color(const QString &) const override { return std::nullopt; }
};

// A loopback URL where nothing listens: a port that was free a moment ago.
inline QUrl closedPortUrl() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return {};
    return QUrl(QStringLiteral("http://127.0.0.1:%1/v1/call").arg(probe.serverPort()));
}

// One app's account side: its client, user defaults, notification centre, account service and
// theme, and what its screens ask for: alerts (title|message), presentations, pops and closes.
struct AccountApp {
    AccountApp(const tarnwick::ApiClientSettings &settings, const QString &suite)
        : client(settings)
        , defaults(suite + QString::number(++count))
        , api(client, defaults, center) {}

    // Records the requests of a screen (and of the screens it presents, once they are watched).
    template <class Screen> Screen *watch(Screen *screen) {
        QObject::connect(screen, &ui::ScreenController::alertRequested, screen,
                         [this](const ui::AlertSpec &alert) { alerts.push_back(alert); });
        QObject::connect(screen, &ui::ScreenController::presentRequested, screen,
                         [this](ui::ScreenController *presented, ui::Presentation) {
                             presentedScreens.push_back(presented);
                         });
        QObject::connect(screen, &ui::ScreenController::dismissRequested, screen, [this] { ++dismissals; });
        QObject::connect(screen, &account::AccountForm::closeFlowRequested, screen, [this] { ++closes; });
        screen->loadViewIfNeeded();
        screen->beginAppearanceTransition(true);
        return screen;
    }
    QString lastAlert() const {
        return alerts.empty() ? QString() : alerts.back().title + '|' + alerts.back().message;
    }
    // Chooses OK on the last alert.
    void ok() {
        if (!alerts.empty())
            alerts.back().trigger(0, {});
    }
    account::AccountEnvironment environment() { return {api, defaults, center, theme, colors}; }

    static bool waitUntil(const std::function<bool()> &done) {
        for (const QDeadlineTimer limit(30000); !limit.hasExpired();) {
            if (done())
                return true;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return done();
    }

    static inline int count = 0;
    tarnwick::ApiClient client;
    platform::Defaults defaults;
    platform::NotificationCenter center;
    account::ApiManager api;
    ZEPThemeManager theme;
    NoColors colors;
    std::vector<ui::AlertSpec> alerts;
    std::vector<ui::ScreenController *> presentedScreens;
    int dismissals = 0;
    int closes = 0;
};

} // namespace testsupport
