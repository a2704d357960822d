#include "tarnwick/remotevaluesrefresher.h"

#include "platform/notificationcenter.h"
#include "tarnwick/protocol.h"

#include <QTimer>

#include <mutex>

namespace tarnwick {

RefreshClock::~RefreshClock() = default;

namespace {

class SystemRefreshClock final : public RefreshClock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }

    void start(std::chrono::milliseconds interval, std::function<void()> tick) override {
        m_timer = std::make_unique<QTimer>();
        m_timer->setInterval(interval);
        QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), tick);
        m_timer->start();
        // The first tick comes at once, through the event loop of the timer's thread.
        QTimer::singleShot(0, m_timer.get(), tick);
    }

    void stop() override { m_timer.reset(); }

private:
    std::unique_ptr<QTimer> m_timer;
};

} // namespace

std::unique_ptr<RefreshClock> RefreshClock::system() {
    return std::make_unique<SystemRefreshClock>();
}

struct RemoteValuesRefresher::State {
    std::mutex mutex;
    int failureCount = 0;
    bool inProgress = false;
    std::optional<QDateTime> lastRefresh;
};

RemoteValuesRefresher::RemoteValuesRefresher(Fetch fetch, std::unique_ptr<RefreshClock> clock,
                                             platform::NotificationCenter *center)
    : m_state(std::make_shared<State>())
    , m_fetch(std::move(fetch))
    , m_center(center ? center : &platform::NotificationCenter::defaultCenter())
    , m_clock(std::move(clock)) {
    m_clock->start(timerInterval, [this] { tick(); });
}

RemoteValuesRefresher::~RemoteValuesRefresher() {
    m_clock->stop();
}

RemoteValuesRefresher &RemoteValuesRefresher::shared() {
    static RemoteValuesRefresher *instance = new RemoteValuesRefresher(
        [](FetchCompletion completion) { ApiClient::shared().fetchRemoteValues(std::move(completion)); },
        RefreshClock::system());
    return *instance;
}

void RemoteValuesRefresher::start() {
    shared();
}

QString RemoteValuesRefresher::updateNotificationName() {
    return QString::fromLatin1(protocol::remoteValuesUpdatedNotification);
}

void RemoteValuesRefresher::tick() {
    const QDateTime now = m_clock->now();
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->inProgress)
            return;
        if (m_state->lastRefresh && std::abs(m_state->lastRefresh->secsTo(now)) < minimumSpacing.count())
            return;
        m_state->inProgress = true;
    }
    std::weak_ptr<State> weakState = m_state;
    std::weak_ptr<RefreshClock> weakClock = m_clock;
    platform::NotificationCenter *center = m_center;
    m_fetch([weakState, weakClock, center](const std::optional<ApiError> &error) {
        const std::shared_ptr<State> state = weakState.lock();
        const std::shared_ptr<RefreshClock> clock = weakClock.lock();
        if (!state || !clock)
            return;
        bool succeeded = false;
        {
            std::lock_guard lock(state->mutex);
            if (!error) {
                state->failureCount = 0;
                state->lastRefresh = clock->now();
                succeeded = true;
            } else if (state->failureCount > 1) {
                // Third failure in a row: wait the full spacing before the next attempt.
                state->failureCount = 0;
                state->lastRefresh = clock->now();
            } else {
                ++state->failureCount;
            }
            state->inProgress = false;
        }
        if (succeeded)
            center->post(updateNotificationName());
    });
}

int RemoteValuesRefresher::failureCount() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->failureCount;
}

bool RemoteValuesRefresher::inProgress() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->inProgress;
}

std::optional<QDateTime> RemoteValuesRefresher::lastRefresh() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->lastRefresh;
}

} // namespace tarnwick
