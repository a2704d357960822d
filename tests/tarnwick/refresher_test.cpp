#include "platform/notificationcenter.h"
#include "tarnwick/remotevaluesrefresher.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>

using tarnwick::ApiError;
using tarnwick::FetchCompletion;
using tarnwick::RefreshClock;
using tarnwick::RemoteValuesRefresher;

namespace {

// A clock the test moves by hand; its timer fires whenever the time passes a due tick.
class ManualClock : public RefreshClock {
public:
    explicit ManualClock(QDateTime *now)
        : m_now(now) {}
    QDateTime now() const override { return *m_now; }
    void start(std::chrono::milliseconds interval, std::function<void()> tick) override {
        m_interval = interval;
        m_tick = std::move(tick);
        m_due = *m_now; // the first tick is due at once
    }
    void stop() override { m_tick = nullptr; }

    void advance(std::chrono::milliseconds by) {
        const QDateTime end = m_now->addMSecs(by.count());
        while (m_tick && m_due <= end) {
            *m_now = m_due;
            m_due = m_due.addMSecs(m_interval.count());
            m_tick();
        }
        *m_now = end;
    }

private:
    QDateTime *m_now;
    std::chrono::milliseconds m_interval{0};
    std::function<void()> m_tick;
    QDateTime m_due;
};

class RefresherTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_now = QDateTime(QDate(2026, 12, 7), QTime(22, 0), Qt::UTC);
        auto clock = std::make_unique<ManualClock>(&m_now);
        m_clock = clock.get();
        m_token = m_center.addObserver(RemoteValuesRefresher::updateNotificationName(),
                                       [this](const platform::Notification &) { ++m_posted; });
        m_refresher = std::make_unique<RemoteValuesRefresher>(
            [this](FetchCompletion completion) {
                m_fetchTimes.push_back(m_now);
                m_pending = std::move(completion);
            },
            std::move(clock), &m_center);
    }
    void TearDown() override {
        m_refresher.reset();
        m_center.removeObserver(m_token);
    }

    // Answers the fetch that is running.
    void answer(bool success) {
        ASSERT_TRUE(m_pending) << "no fetch is running";
        auto completion = std::move(m_pending);
        m_pending = nullptr;
        completion(success ? std::nullopt : std::optional<ApiError>(ApiError{"test", 1, "offline"}));
    }

    int secondsSinceStart(int fetch) const {
        return int(m_fetchTimes.at(fetch).toSecsSinceEpoch() - m_start);
    }

    platform::NotificationCenter m_center;
    QDateTime m_now;
    qint64 m_start = QDateTime(QDate(2026, 12, 7), QTime(22, 0), Qt::UTC).toSecsSinceEpoch();
    ManualClock *m_clock = nullptr;
    std::unique_ptr<RemoteValuesRefresher> m_refresher;
    std::vector<QDateTime> m_fetchTimes;
    FetchCompletion m_pending;
    std::atomic<int> m_posted{0};
    platform::NotificationCenter::Token m_token = 0;
};

TEST_F(RefresherTest, FetchesAtOnceAndThenNotBefore120Seconds) {
    m_clock->advance(std::chrono::milliseconds(0));
    ASSERT_EQ(m_fetchTimes.size(), 1u);
    EXPECT_TRUE(m_refresher->inProgress());
    answer(true);
    EXPECT_EQ(m_posted, 1);
    EXPECT_EQ(m_refresher->lastRefresh(), m_now);
    EXPECT_FALSE(m_refresher->inProgress());

    m_clock->advance(std::chrono::seconds(119));
    EXPECT_EQ(m_fetchTimes.size(), 1u) << "ticks within 120 seconds do nothing";
    m_clock->advance(std::chrono::seconds(1));
    ASSERT_EQ(m_fetchTimes.size(), 2u);
    EXPECT_EQ(secondsSinceStart(1), 120);
}

TEST_F(RefresherTest, NoSecondFetchWhileOneIsRunning) {
    m_clock->advance(std::chrono::seconds(60));
    EXPECT_EQ(m_fetchTimes.size(), 1u);
    answer(true);
    EXPECT_EQ(m_posted, 1);
}

TEST_F(RefresherTest, ThreeFailuresInARowWait120Seconds) {
    m_clock->advance(std::chrono::milliseconds(0));
    answer(false);
    EXPECT_EQ(m_refresher->failureCount(), 1);
    m_clock->advance(std::chrono::seconds(5));
    answer(false);
    EXPECT_EQ(m_refresher->failureCount(), 2);
    m_clock->advance(std::chrono::seconds(5));
    answer(false);
    EXPECT_EQ(m_refresher->failureCount(), 0);
    EXPECT_EQ(m_refresher->lastRefresh(), m_now);
    EXPECT_EQ(m_posted, 0) << "failures post nothing";

    m_clock->advance(std::chrono::seconds(115));
    EXPECT_EQ(m_fetchTimes.size(), 3u);
    m_clock->advance(std::chrono::seconds(5));
    ASSERT_EQ(m_fetchTimes.size(), 4u);
    EXPECT_EQ(secondsSinceStart(0), 0);
    EXPECT_EQ(secondsSinceStart(1), 5);
    EXPECT_EQ(secondsSinceStart(2), 10);
    EXPECT_EQ(secondsSinceStart(3), 130);
}

TEST_F(RefresherTest, ASuccessClearsEarlierFailures) {
    m_clock->advance(std::chrono::milliseconds(0));
    answer(false);
    m_clock->advance(std::chrono::seconds(5));
    answer(false);
    m_clock->advance(std::chrono::seconds(5));
    answer(true);
    EXPECT_EQ(m_refresher->failureCount(), 0);
    EXPECT_EQ(m_posted, 1);
    m_clock->advance(std::chrono::seconds(120));
    answer(false);
    EXPECT_EQ(m_refresher->failureCount(), 1) << "the count starts again from zero";
}

TEST_F(RefresherTest, AClockThatWentBackStillWaits) {
    m_clock->advance(std::chrono::milliseconds(0));
    answer(true);
    // The spacing is an absolute difference: a last refresh in the future also blocks.
    m_now = m_now.addSecs(-60);
    m_refresher->tick();
    EXPECT_EQ(m_fetchTimes.size(), 1u);
    m_now = m_now.addSecs(-61);
    m_refresher->tick();
    EXPECT_EQ(m_fetchTimes.size(), 2u);
}

TEST_F(RefresherTest, ACompletionAfterDestructionIsIgnored) {
    m_clock->advance(std::chrono::milliseconds(0));
    FetchCompletion late = std::move(m_pending);
    m_refresher.reset();
    late(std::nullopt);
    EXPECT_EQ(m_posted, 0);
}

} // namespace

namespace {

TEST(RefresherSystemClock, FirstTickComesThroughTheEventLoop) {
    int fetches = 0;
    RemoteValuesRefresher refresher([&fetches](FetchCompletion) { ++fetches; }, RefreshClock::system());
    EXPECT_EQ(fetches, 0) << "the first tick is queued, not run inside the constructor";
    QCoreApplication::processEvents();
    EXPECT_EQ(fetches, 1);
    EXPECT_TRUE(refresher.inProgress());
}

} // namespace
