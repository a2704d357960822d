#pragma once

#include "zepcommon/catalogue/asyncoperation.h"
#include "zepcommon/catalogue/nativeappdata.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class RemoteValues;

namespace platform {
class NotificationCenter;
}

namespace catalogue {

class UrlSchemeChecker;

// The list of the maker's other apps. It is built from the remote value "u.a.l.2" and rebuilt on
// every remote-values refresh; each store app is then looked up in the store's lookup service,
// at most three at a time, and filled in place. When the last lookup ends, the badge shows how
// many listed apps are not installed.
//
// Collaborators are not owned and outlive the tracker. GUI thread only: lookups use the event
// loop of the tracker's thread, and their results arrive there.
class NativeAppsTracker : public QObject, public AppMetadataOperationDelegate {
    Q_OBJECT
public:
    static constexpr int maxConcurrentLookups = 3;
    // The user-defaults key of the lookup service's address, and its default.
    static QString lookupServiceKey() { return QStringLiteral("Catalogue-Lookup-Service"); }
    static QUrl defaultLookupService() { return QUrl(QStringLiteral("https://itunes.apple.com")); }
    static QString remoteValueKey() { return QStringLiteral("u.a.l.2"); }

    struct Settings {
        QUrl lookupService = defaultLookupService();
        // The running app's own identifier, left out of the list.
        QString ownBundleID;
        int lookupTimeoutMs = AppMetadataOperation::defaultTimeoutMs;
    };
    using BadgeSetter = std::function<void(int count)>;

    NativeAppsTracker(const RemoteValues &remoteValues, platform::NotificationCenter &center,
                      const UrlSchemeChecker &checker, Settings settings, BadgeSetter setBadge,
                      QObject *parent = nullptr);
    ~NativeAppsTracker() override;

    // The process-wide tracker, made on first use over Tarnwick's remote values, the default
    // notification centre, the desktop's scheme handlers, the launcher badge and the lookup
    // service of the standard defaults. setShared replaces it (null makes a new one on next use).
    static NativeAppsTracker &shared();
    static void setShared(std::unique_ptr<NativeAppsTracker> tracker);

    // Rebuilds the list from the remote value and queues a lookup for every store app. Earlier
    // lookups are cancelled.
    void loadNativeApps();
    void didAppSettingsUpdated() { loadNativeApps(); }

    const NativeAppList &nativeAppsList() const { return m_nativeAppsList; }
    OperationQueue &operationQueue() { return *m_operationQueue; }
    const UrlSchemeChecker &urlSchemeChecker() const { return m_checker; }

    // Both run the installed test of every app again.
    bool areAllAppsInstalled();
    int remainingNotInstalledApps();

    void appMetadataOperationDidFinish(AppMetadataOperation *operation) override;

signals:
    void nativeAppsListChanged();
    // One app's lookup ended (its entry may have changed).
    void appUpdated(const std::shared_ptr<catalogue::NativeAppData> &app);
    // The last queued lookup ended and the badge was set to remaining.
    void allLookupsFinished(int remaining);

private:
    void checkAllLookupsDone();

    const RemoteValues &m_remoteValues;
    platform::NotificationCenter &m_center;
    const UrlSchemeChecker &m_checker;
    Settings m_settings;
    BadgeSetter m_setBadge;
    QNetworkAccessManager *m_network;
    OperationQueue *m_operationQueue;
    NativeAppList m_nativeAppsList;
    quint64 m_observer = 0;
    // Set while a loaded list's lookups run; the badge is set once when they are all done.
    bool m_lookupsPending = false;
};

} // namespace catalogue
