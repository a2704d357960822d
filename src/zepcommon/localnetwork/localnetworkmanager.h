#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

namespace localnetwork {

class ProbeJob;

// One local-network probe over Avahi: it browses for "_bonjour._tcp" and publishes
// "LocalNetworkPrivacy" ("_lnp._tcp." in "local.", port 1100). A published service means access
// is granted. A browser that cannot run — no avahi-daemon, the daemon gone, the system bus
// refused — is the waiting state and means denied. A browser failure is only logged.
//
// A probe that has neither published nor been refused within the time-out (10 s unless told
// otherwise) reports denied and resets, so that a failure that never reports cannot leave a
// caller waiting for ever.
//
// The completion runs on the GUI thread, after the call that started the probe has returned, at
// most once per probe; stopManager() drops it. GUI thread only; the Avahi calls run on a thread
// of their own (see AvahiJob).
class LocalNetworkManager : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(bool granted)>;
    static constexpr std::chrono::milliseconds defaultTimeout{10000};

    explicit LocalNetworkManager(std::chrono::milliseconds timeout = defaultTimeout,
                                 QObject *parent = nullptr);
    ~LocalNetworkManager() override;

    // Starts one probe (a probe already running is stopped and its completion released).
    void requestAuthorizationWithCompletion(Completion completion);
    // Stops the browser and the service and drops both; safe when nothing runs.
    void stopManager();
    bool isRunning() const { return m_job != nullptr; }

    static QString deniedLogPrefix() { return QStringLiteral("Local network permission has been denied: "); }
    static QString grantedLogLine() { return QStringLiteral("Local network permission has been granted"); }

private:
    void browserDidWait(const QString &error);
    void browserDidFail(const QString &error);
    void netServiceDidPublish();
    void finish(bool granted);

    std::chrono::milliseconds m_timeout;
    QTimer m_timer;
    std::shared_ptr<ProbeJob> m_job;
    Completion m_completion;
};

} // namespace localnetwork
