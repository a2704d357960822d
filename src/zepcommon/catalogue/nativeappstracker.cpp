#include "zepcommon/catalogue/nativeappstracker.h"

#include "platform/defaults.h"
#include "platform/notificationcenter.h"
#include "zepcommon/catalogue/launcherbadge.h"
#include "zepcommon/catalogue/urlschemechecker.h"
#include "zepcommon/utility/remotevalues.h"

#include <tarnwick/apiclient.h>

#include <QCoreApplication>
#include <QPointer>
#include <QNetworkAccessManager>

namespace catalogue {

namespace {

// The shared tracker is a child of the application object, so it goes with it, before the
// process-wide notification centre and the other statics it uses are destroyed.
QPointer<NativeAppsTracker> &sharedTracker() {
    static QPointer<NativeAppsTracker> tracker;
    return tracker;
}

} // namespace

NativeAppsTracker::NativeAppsTracker(const RemoteValues &remoteValues, platform::NotificationCenter &center,
                                     const UrlSchemeChecker &checker, Settings settings, BadgeSetter setBadge,
                                     QObject *parent)
    : QObject(parent)
    , m_remoteValues(remoteValues)
    , m_center(center)
    , m_checker(checker)
    , m_settings(std::move(settings))
    , m_setBadge(std::move(setBadge))
    , m_network(new QNetworkAccessManager(this))
    , m_operationQueue(new OperationQueue(maxConcurrentLookups, this)) {
    m_observer = m_center.addObserver(
        m_remoteValues.updateNotificationName(),
        [this](const platform::Notification &) { didAppSettingsUpdated(); }, this);
}

NativeAppsTracker::~NativeAppsTracker() {
    m_center.removeObserver(m_observer);
}

NativeAppsTracker &NativeAppsTracker::shared() {
    QPointer<NativeAppsTracker> &tracker = sharedTracker();
    if (!tracker) {
        static const TarnwickRemoteValues remoteValues;
        // Lives as long as the application object, like the tracker's users.
        static auto *checker =
            new DesktopUrlSchemeChecker(QStringLiteral("xdg-mime"), 3000, QCoreApplication::instance());
        Settings settings;
        const QUrl service(platform::Defaults::standard().stringValue(lookupServiceKey()));
        if (service.isValid() && !service.host().isEmpty())
            settings.lookupService = service;
        settings.ownBundleID = tarnwick::ApiClientSettings::standard().appIdentifier;
        tracker = new NativeAppsTracker(remoteValues, platform::NotificationCenter::defaultCenter(), *checker,
                                        settings, [](int count) { setLauncherBadge(count); },
                                        QCoreApplication::instance());
    }
    return *tracker;
}

void NativeAppsTracker::setShared(std::unique_ptr<NativeAppsTracker> tracker) {
    delete sharedTracker().data();
    if (tracker)
        tracker->setParent(QCoreApplication::instance());
    sharedTracker() = tracker.release();
}

void NativeAppsTracker::loadNativeApps() {
    m_operationQueue->cancelAllOperations();
    m_nativeAppsList = parseNativeApps(m_remoteValues.valueForKey(remoteValueKey()), m_settings.ownBundleID);
    emit nativeAppsListChanged();
    for (const std::shared_ptr<NativeAppData> &app : std::as_const(m_nativeAppsList)) {
        if (app->status == AppStatus::ComingSoon)
            continue;
        auto *operation =
            new AppMetadataOperation(app, *m_network, m_settings.lookupService, m_settings.lookupTimeoutMs);
        operation->setDelegate(this);
        m_operationQueue->addOperation(operation);
        m_lookupsPending = true;
    }
}

bool NativeAppsTracker::areAllAppsInstalled() {
    return remainingNotInstalledApps() == 0;
}

int NativeAppsTracker::remainingNotInstalledApps() {
    int remaining = 0;
    for (const std::shared_ptr<NativeAppData> &app : std::as_const(m_nativeAppsList))
        remaining += app->isInstalled(m_checker) ? 0 : 1;
    return remaining;
}

void NativeAppsTracker::appMetadataOperationDidFinish(AppMetadataOperation *operation) {
    if (!operation->isCancelled())
        emit appUpdated(operation->appData());
    // The operation leaves the queue once it has finished, after this call returns.
    QMetaObject::invokeMethod(this, &NativeAppsTracker::checkAllLookupsDone, Qt::QueuedConnection);
}

void NativeAppsTracker::checkAllLookupsDone() {
    if (!m_lookupsPending || m_operationQueue->operationCount() != 0)
        return;
    m_lookupsPending = false;
    const int remaining = remainingNotInstalledApps();
    if (m_setBadge)
        m_setBadge(remaining);
    emit allLookupsFinished(remaining);
}

} // namespace catalogue
