#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace localnetwork {

class AnnounceJob;

// Announces one service over DNS-SD through Avahi while it runs, e.g. the transfer server as
// `_http._tcp` "Tidewell on HOST" with "path=/". A name taken by another host gets Avahi's
// alternative name rather than failing. Without a daemon the announcer waits for one, and
// announces again when the daemon restarts.
//
// established() fires on the GUI thread each time the announcement is up, with the name it got
// and this host's ".local" name; withdrawn() when it is down again (the daemon went away). stop()
// withdraws it; safe at any time. GUI thread only; Avahi runs on a thread of its own.
class ServiceAnnouncer : public QObject {
    Q_OBJECT
public:
    explicit ServiceAnnouncer(QObject *parent = nullptr);
    ~ServiceAnnouncer() override;

    // Starts announcing (an announcement already running is withdrawn first). `name` may hold
    // "%h", which becomes this host's name.
    void start(const QString &name, const QString &type, quint16 port, const QStringList &txt = {});
    void stop();

    bool isEstablished() const { return m_hostName.has_value(); }
    // The ".local" host name while established, e.g. "desk.local".
    std::optional<QString> hostName() const { return m_hostName; }
    std::optional<QString> serviceName() const { return m_serviceName; }

    // "Tidewell on %h".
    static QString transferServiceName() { return QStringLiteral("Tidewell on %h"); }
    static QString transferServiceType() { return QStringLiteral("_http._tcp"); }
    // The URL of a server announced on `port` of `hostName` ("http://desk.local:8080/").
    static QString localUrl(const QString &hostName, quint16 port);

signals:
    void established(const QString &serviceName, const QString &hostName);
    void withdrawn();

private:
    std::shared_ptr<AnnounceJob> m_job;
    std::optional<QString> m_hostName;
    std::optional<QString> m_serviceName;
};

} // namespace localnetwork
