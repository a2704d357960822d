#include "zepcommon/localnetwork/localnetworkmanager.h"

#include "platform/log.h"
#include "zepcommon/localnetwork/avahiworker.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>

namespace localnetwork {

namespace {

constexpr char browsedType[] = "_bonjour._tcp";
constexpr char serviceType[] = "_lnp._tcp.";
constexpr char serviceDomain[] = "local.";
constexpr char serviceName[] = "LocalNetworkPrivacy";
constexpr uint16_t servicePort = 1100;

QString avahiError(int error) {
    return QString::fromUtf8(avahi_strerror(error));
}

} // namespace

// The probe's Avahi side, on its own thread: client, browser, then the published service.
class ProbeJob final : public AvahiJob {
public:
    std::function<void(QString)> onWaiting;
    std::function<void(QString)> onFailed;
    std::function<void()> onPublished;

protected:
    void setUp(const AvahiPoll *api) override {
        int error = 0;
        m_client = avahi_client_new(api, AvahiClientFlags(0), &ProbeJob::clientChanged, this, &error);
        if (!m_client)
            waiting(avahiError(error));
    }

    void tearDown() override {
        // Freeing the client frees its browser and entry group.
        if (m_client)
            avahi_client_free(m_client);
        m_client = nullptr;
        avahi_free(m_name);
        m_name = nullptr;
    }

private:
    void waiting(const QString &error) {
        post([this, error] { onWaiting(error); });
    }
    void failed(const QString &error) {
        post([this, error] { onFailed(error); });
    }

    static void clientChanged(AvahiClient *client, AvahiClientState state, void *self) {
        static_cast<ProbeJob *>(self)->clientChanged(client, state);
    }
    void clientChanged(AvahiClient *client, AvahiClientState state) {
        if (state == AVAHI_CLIENT_FAILURE) {
            waiting(avahiError(avahi_client_errno(client)));
        } else if (state == AVAHI_CLIENT_S_RUNNING && !m_browser) {
            m_browser =
                avahi_service_browser_new(client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, browsedType, nullptr,
                                          AvahiLookupFlags(0), &ProbeJob::browserEvent, this);
            if (!m_browser) {
                waiting(avahiError(avahi_client_errno(client)));
                return;
            }
            publish(client);
        }
    }

    static void browserEvent(AvahiServiceBrowser *browser, AvahiIfIndex, AvahiProtocol,
                             AvahiBrowserEvent event, const char *, const char *, const char *,
                             AvahiLookupResultFlags, void *self) {
        if (event == AVAHI_BROWSER_FAILURE)
            static_cast<ProbeJob *>(self)->failed(
                avahiError(avahi_client_errno(avahi_service_browser_get_client(browser))));
    }

    void publish(AvahiClient *client) {
        if (!m_name)
            m_name = avahi_strdup(serviceName);
        if (!m_group)
            m_group = avahi_entry_group_new(client, &ProbeJob::groupChanged, this);
        if (!m_group) {
            failed(avahiError(avahi_client_errno(client)));
            return;
        }
        int result =
            avahi_entry_group_add_service(m_group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
                                          m_name, serviceType, serviceDomain, nullptr, servicePort, nullptr);
        if (result >= 0)
            result = avahi_entry_group_commit(m_group);
        if (result < 0)
            failed(avahiError(result));
    }

    static void groupChanged(AvahiEntryGroup *group, AvahiEntryGroupState state, void *self) {
        static_cast<ProbeJob *>(self)->groupChanged(group, state);
    }
    void groupChanged(AvahiEntryGroup *group, AvahiEntryGroupState state) {
        m_group = group;
        if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
            post([this] { onPublished(); });
        } else if (state == AVAHI_ENTRY_GROUP_COLLISION) {
            // Another host publishes the same name: take Avahi's alternative and publish again.
            char *alternative = avahi_alternative_service_name(m_name);
            avahi_free(m_name);
            m_name = alternative;
            if (avahi_entry_group_reset(group) < 0) {
                failed(avahiError(avahi_client_errno(avahi_entry_group_get_client(group))));
                return;
            }
            publish(avahi_entry_group_get_client(group));
        } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
            failed(avahiError(avahi_client_errno(avahi_entry_group_get_client(group))));
        }
    }

    AvahiClient *m_client = nullptr;
    AvahiServiceBrowser *m_browser = nullptr;
    AvahiEntryGroup *m_group = nullptr;
    char *m_name = nullptr;
};

LocalNetworkManager::LocalNetworkManager(std::chrono::milliseconds timeout, QObject *parent)
    : QObject(parent)
    , m_timeout(timeout) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        browserDidWait(
            QStringLiteral("no answer from the local network within %1 ms").arg(m_timeout.count()));
    });
}

LocalNetworkManager::~LocalNetworkManager() {
    stopManager();
}

void LocalNetworkManager::requestAuthorizationWithCompletion(Completion completion) {
    stopManager();
    m_completion = std::move(completion);
    auto job = std::make_shared<ProbeJob>();
    // The job's results arrive on this thread while it is the current job (stop() cuts them off).
    job->onWaiting = [this](const QString &error) {
        browserDidWait(error);
    };
    job->onFailed = [this](const QString &error) {
        browserDidFail(error);
    };
    job->onPublished = [this] {
        netServiceDidPublish();
    };
    m_job = job;
    m_timer.start(m_timeout);
    if (!job->start(this))
        QMetaObject::invokeMethod(
            this,
            [this, weak = std::weak_ptr<ProbeJob>(job)] {
                if (!weak.expired() && weak.lock() == m_job)
                    browserDidWait(QStringLiteral("out of memory"));
            },
            Qt::QueuedConnection);
}

void LocalNetworkManager::stopManager() {
    m_timer.stop();
    if (m_job)
        m_job->stop();
    m_job.reset();
}

void LocalNetworkManager::browserDidWait(const QString &error) {
    platform::log(deniedLogPrefix() + error);
    finish(false);
}

void LocalNetworkManager::browserDidFail(const QString &error) {
    platform::log(error);
}

void LocalNetworkManager::netServiceDidPublish() {
    stopManager();
    platform::log(grantedLogLine());
    finish(true);
}

void LocalNetworkManager::finish(bool granted) {
    stopManager();
    // Taken out first: the completion may start the next probe on this manager.
    Completion completion = std::exchange(m_completion, {});
    if (completion)
        completion(granted);
}

} // namespace localnetwork
