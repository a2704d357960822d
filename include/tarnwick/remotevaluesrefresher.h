#pragma once

#include "tarnwick/apiclient.h"
#include "tarnwick/export.h"

#include <QDateTime>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class NotificationCenter;
}

namespace tarnwick {

// The time source and timer of the refresher, so that tests can drive both.
class TARNWICK_EXPORT RefreshClock {
public:
    virtual ~RefreshClock();
    virtual QDateTime now() const = 0;
    // Calls tick once as soon as possible and then every interval, until stop() or destruction.
    virtual void start(std::chrono::milliseconds interval, std::function<void()> tick) = 0;
    virtual void stop() = 0;

    // The wall clock with a QTimer on the thread that calls start() (the main thread for the
    // shared refresher).
    static std::unique_ptr<RefreshClock> system();
};

// Keeps the remote values fresh: a 5-second timer calls tick(); a tick fetches unless a fetch
// is running or the last refresh is less than 120 seconds away. A success resets the failure
// count, records the time and posts updateNotificationName() on the notification centre it was
// given (no user info). After three failures in a row the time is recorded as if refreshed,
// so the next attempt waits 120 seconds.
//
// Threads: tick() runs on the clock's thread; the fetch completion may run on any thread. The
// state is guarded; a completion arriving after destruction is ignored.
class TARNWICK_EXPORT RemoteValuesRefresher {
public:
    using Fetch = std::function<void(FetchCompletion completion)>;

    static constexpr std::chrono::milliseconds timerInterval{5000};
    static constexpr std::chrono::seconds minimumSpacing{120};

    // Starts the clock at once. Refreshes are announced on `center`, which must outlive the
    // refresher; null means platform::NotificationCenter::defaultCenter().
    RemoteValuesRefresher(Fetch fetch, std::unique_ptr<RefreshClock> clock,
                          platform::NotificationCenter *center = nullptr);
    ~RemoteValuesRefresher();

    // The process-wide refresher over ApiClient::shared(), announcing on the default centre;
    // created (and started) on first use, which must be on the main thread.
    static RemoteValuesRefresher &shared();
    static void start();
    static QString updateNotificationName();

    void tick();

    int failureCount() const;
    bool inProgress() const;
    std::optional<QDateTime> lastRefresh() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
    Fetch m_fetch;
    platform::NotificationCenter *m_center;
    std::shared_ptr<RefreshClock> m_clock; // shared so late completions can check it is alive
};

} // namespace tarnwick
