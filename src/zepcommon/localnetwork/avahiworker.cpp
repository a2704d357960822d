#include "zepcommon/localnetwork/avahiworker.h"

#include <QMetaObject>

#include <avahi-common/simple-watch.h>

#include <thread>

namespace localnetwork {

AvahiJob::~AvahiJob() = default;

bool AvahiJob::start(QObject *receiver) {
    AvahiSimplePoll *poll = avahi_simple_poll_new();
    if (!poll)
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_poll = poll;
        m_receiver = receiver;
    }
    std::thread([job = shared_from_this()] { job->run(); }).detach();
    return true;
}

void AvahiJob::stop() {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    m_receiver = nullptr;
    if (m_poll)
        avahi_simple_poll_wakeup(m_poll);
}

void AvahiJob::post(std::function<void()> result) {
    std::lock_guard lock(m_mutex);
    if (m_stopping || !m_receiver)
        return;
    // The weak reference drops a result that was queued just before stop().
    std::weak_ptr<AvahiJob> weak = weak_from_this();
    QMetaObject::invokeMethod(
        m_receiver,
        [weak, result = std::move(result)] {
            const auto job = weak.lock();
            if (job && !job->isStopping())
                result();
        },
        Qt::QueuedConnection);
}

void AvahiJob::run() {
    AvahiSimplePoll *poll = m_poll;
    if (!m_stopping)
        setUp(avahi_simple_poll_get(poll));
    // A non-zero return means the loop was told to quit or failed; either way the job ends.
    while (!m_stopping && avahi_simple_poll_iterate(poll, -1) == 0) {
    }
    tearDown();
    {
        std::lock_guard lock(m_mutex);
        m_poll = nullptr;
    }
    avahi_simple_poll_free(poll);
}

} // namespace localnetwork
