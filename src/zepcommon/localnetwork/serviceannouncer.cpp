#include "zepcommon/localnetwork/serviceannouncer.h"

#include "platform/log.h"
#include "zepcommon/localnetwork/avahiworker.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>

#include <memory>

namespace localnetwork {

namespace {

struct StringListFree {
    void operator()(AvahiStringList *list) const { avahi_string_list_free(list); }
};
using StringList = std::unique_ptr<AvahiStringList, StringListFree>;

} // namespace

class AnnounceJob final : public AvahiJob {
public:
    AnnounceJob(QString name, QString type, quint16 port, QStringList txt)
        : m_nameTemplate(std::move(name))
        , m_type(type.toUtf8())
        , m_port(port)
        , m_txt(std::move(txt)) {}

    std::function<void(QString, QString)> onEstablished;
    std::function<void()> onWithdrawn;

protected:
    void setUp(const AvahiPoll *api) override {
        int error = 0;
        // NO_FAIL: without a daemon the client waits for one instead of failing.
        m_client = avahi_client_new(api, AVAHI_CLIENT_NO_FAIL, &AnnounceJob::clientChanged, this, &error);
        if (!m_client)
            platform::log(QStringLiteral("DNS-SD announcement unavailable: ") + avahi_strerror(error));
    }

    void tearDown() override {
        if (m_client)
            avahi_client_free(m_client);
        m_client = nullptr;
        m_group = nullptr;
    }

private:
    static void clientChanged(AvahiClient *client, AvahiClientState state, void *self) {
        static_cast<AnnounceJob *>(self)->clientChanged(client, state);
    }
    void clientChanged(AvahiClient *client, AvahiClientState state) {
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            if (!m_group)
                publish(client);
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host name changes: withdraw, and publish again once the client runs.
            if (m_group)
                avahi_entry_group_reset(m_group);
            withdraw();
            break;
        case AVAHI_CLIENT_CONNECTING:
        case AVAHI_CLIENT_FAILURE:
            // The daemon went away; its objects are gone with it.
            if (m_group)
                avahi_entry_group_free(m_group);
            m_group = nullptr;
            withdraw();
            if (state == AVAHI_CLIENT_FAILURE)
                platform::log(QStringLiteral("DNS-SD announcement stopped: ") +
                              avahi_strerror(avahi_client_errno(client)));
            break;
        }
    }

    void withdraw() {
        if (m_announced)
            post([this] { onWithdrawn(); });
        m_announced = false;
    }

    void publish(AvahiClient *client) {
        if (m_name.isEmpty())
            m_name =
                QString(m_nameTemplate)
                    .replace(QStringLiteral("%h"), QString::fromUtf8(avahi_client_get_host_name(client)));
        if (!m_group)
            m_group = avahi_entry_group_new(client, &AnnounceJob::groupChanged, this);
        if (!m_group) {
            platform::log(QStringLiteral("DNS-SD announcement failed: ") +
                          avahi_strerror(avahi_client_errno(client)));
            return;
        }
        StringList txt;
        for (const QString &entry : m_txt)
            txt.reset(avahi_string_list_add(txt.release(), entry.toUtf8().constData()));
        const QByteArray name = m_name.toUtf8();
        int result = avahi_entry_group_add_service_strlst(
            m_group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0), name.constData(),
            m_type.constData(), nullptr, nullptr, m_port, txt.get());
        if (result == AVAHI_ERR_COLLISION)
            return collide(client);
        if (result >= 0)
            result = avahi_entry_group_commit(m_group);
        if (result < 0)
            platform::log(QStringLiteral("DNS-SD announcement failed: ") + avahi_strerror(result));
    }

    void collide(AvahiClient *client) {
        const QByteArray current = m_name.toUtf8();
        char *alternative = avahi_alternative_service_name(current.constData());
        m_name = QString::fromUtf8(alternative);
        avahi_free(alternative);
        platform::log(QStringLiteral("DNS-SD name taken; announcing as \"%1\"").arg(m_name));
        if (m_group)
            avahi_entry_group_reset(m_group);
        publish(client);
    }

    static void groupChanged(AvahiEntryGroup *group, AvahiEntryGroupState state, void *self) {
        static_cast<AnnounceJob *>(self)->groupChanged(group, state);
    }
    void groupChanged(AvahiEntryGroup *group, AvahiEntryGroupState state) {
        m_group = group;
        AvahiClient *client = avahi_entry_group_get_client(group);
        if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
            m_announced = true;
            const QString name = m_name;
            const QString host = QString::fromUtf8(avahi_client_get_host_name_fqdn(client));
            post([this, name, host] { onEstablished(name, host); });
        } else if (state == AVAHI_ENTRY_GROUP_COLLISION) {
            collide(client);
        } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
            platform::log(QStringLiteral("DNS-SD announcement failed: ") +
                          avahi_strerror(avahi_client_errno(client)));
        }
    }

    const QString m_nameTemplate;
    const QByteArray m_type;
    const quint16 m_port;
    const QStringList m_txt;
    QString m_name;
    AvahiClient *m_client = nullptr;
    AvahiEntryGroup *m_group = nullptr;
    bool m_announced = false;
};

ServiceAnnouncer::ServiceAnnouncer(QObject *parent)
    : QObject(parent) {}

ServiceAnnouncer::~ServiceAnnouncer() {
    stop();
}

QString ServiceAnnouncer::localUrl(const QString &hostName, quint16 port) {
    return QStringLiteral("http://%1:%2/").arg(hostName).arg(port);
}

void ServiceAnnouncer::start(const QString &name, const QString &type, quint16 port, const QStringList &txt) {
    stop();
    auto job = std::make_shared<AnnounceJob>(name, type, port, txt);
    job->onEstablished = [this](const QString &service, const QString &host) {
        m_serviceName = service;
        m_hostName = host;
        emit established(service, host);
    };
    job->onWithdrawn = [this] {
        const bool was = isEstablished();
        m_hostName.reset();
        m_serviceName.reset();
        if (was)
            emit withdrawn();
    };
    m_job = job;
    if (!job->start(this))
        platform::log(QStringLiteral("DNS-SD announcement failed: out of memory"));
}

void ServiceAnnouncer::stop() {
    if (m_job)
        m_job->stop();
    m_job.reset();
    const bool was = isEstablished();
    m_hostName.reset();
    m_serviceName.reset();
    if (was)
        emit withdrawn();
}

} // namespace localnetwork
