#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// The time source of the loading screen: one repeating timer and delayed actions. The screen's
// tests drive their own; the app uses QtLoadingClock. Actions never run after the clock is gone.
class LoadingClock {
public:
    virtual ~LoadingClock() = default;
    // Replaces any running repeating timer.
    virtual void startRepeating(int intervalMs, std::function<void()> tick) = 0;
    virtual void stopRepeating() = 0;
    virtual void after(int delayMs, std::function<void()> action) = 0;
};

// QTimer on the thread that created it (the GUI thread for the loading screen).
class QtLoadingClock : public LoadingClock {
public:
    QtLoadingClock();
    void startRepeating(int intervalMs, std::function<void()> tick) override;
    void stopRepeating() override;
    void after(int delayMs, std::function<void()> action) override;

private:
    QObject m_context; // owns the pending single shots, so they die with the clock
    QTimer m_timer;
    std::function<void()> m_tick;
};
