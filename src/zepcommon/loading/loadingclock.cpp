#include "zepcommon/loading/loadingclock.h"

QtLoadingClock::QtLoadingClock() {
    QObject::connect(&m_timer, &QTimer::timeout, &m_context, [this] {
        if (m_tick)
            m_tick();
    });
}

void QtLoadingClock::startRepeating(int intervalMs, std::function<void()> tick) {
    m_tick = std::move(tick);
    m_timer.start(intervalMs);
}

void QtLoadingClock::stopRepeating() {
    m_timer.stop();
    m_tick = nullptr;
}

void QtLoadingClock::after(int delayMs, std::function<void()> action) {
    QTimer::singleShot(delayMs, &m_context, std::move(action));
}
