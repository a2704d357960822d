#pragma once

#include "zepcommon/loading/loadingclock.h"

#include <algorithm>
#include <map>

// A LoadingClock whose time moves only by advance(): the repeating timer and delayed actions fire
// in time order, as a real event loop would run them.
class ManualClock : public LoadingClock {
public:
    void startRepeating(int intervalMs, std::function<void()> tick) override {
        m_interval = intervalMs;
        m_nextTick = m_now + intervalMs;
        m_tick = std::move(tick);
    }
    void stopRepeating() override { m_tick = nullptr; }
    void after(int delayMs, std::function<void()> action) override {
        m_pending.emplace(m_now + delayMs, std::move(action));
    }

    bool isRepeating() const { return static_cast<bool>(m_tick); }
    int pendingActions() const { return static_cast<int>(m_pending.size()); }
    long long now() const { return m_now; }

    void advance(long long ms) {
        const long long end = m_now + ms;
        while (true) {
            long long next = end + 1;
            if (m_tick)
                next = m_nextTick;
            if (!m_pending.empty())
                next = std::min(next, m_pending.begin()->first);
            if (next > end)
                break;
            m_now = next;
            if (!m_pending.empty() && m_pending.begin()->first == next) {
                auto action = std::move(m_pending.begin()->second);
                m_pending.erase(m_pending.begin());
                action();
            } else {
                m_nextTick += m_interval;
                auto tick = m_tick; // the tick may stop the timer
                tick();
            }
        }
        m_now = end;
    }

private:
    long long m_now = 0;
    int m_interval = 0;
    long long m_nextTick = 0;
    std::function<void()> m_tick;
    std::multimap<long long, std::function<void()>> m_pending;
};
