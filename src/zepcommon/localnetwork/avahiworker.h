#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

struct AvahiPoll;
struct AvahiSimplePoll;

namespace localnetwork {

// One conversation with the Avahi daemon on a thread of its own. Avahi's client library talks to
// the daemon with blocking D-Bus calls (up to 25 s against a daemon that hangs), so none of them
// may run on the GUI thread: a job sets itself up, runs Avahi's event loop and tears itself down
// on its thread, and hands its results to the GUI thread through post().
//
// The thread is detached and owns the job (shared ownership with the starter). stop() may be
// called from the GUI thread at any time, any number of times; after it returns no posted result
// reaches the receiver any more, and the thread ends as soon as its teardown's D-Bus calls return.
class AvahiJob : public std::enable_shared_from_this<AvahiJob> {
public:
    virtual ~AvahiJob();

    // Starts the thread; results are delivered on `receiver`'s thread while it lives and until
    // stop(). False when Avahi's event loop cannot be made (out of memory).
    bool start(QObject *receiver);
    void stop();

protected:
    // On the job's thread: set up (make the client and its objects) and tear down (free them).
    virtual void setUp(const AvahiPoll *api) = 0;
    virtual void tearDown() = 0;
    // From the job's thread: runs `result` on the receiver's thread unless the job was stopped.
    void post(std::function<void()> result);
    bool isStopping() const { return m_stopping.load(); }

private:
    void run();

    std::mutex m_mutex;
    AvahiSimplePoll *m_poll = nullptr;
    QObject *m_receiver = nullptr;
    std::atomic<bool> m_stopping{false};
};

} // namespace localnetwork
