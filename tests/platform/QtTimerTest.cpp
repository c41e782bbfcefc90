#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>
#include <vector>

#include "platform/QtEventLoop.h"
#include "platform/QtTimer.h"

namespace qv {
namespace {

// Timer tests compare the order of ticks of two timers, never clock readings, so a slow machine
// delays them without changing the outcome.
class QtTimerTest : public ::testing::Test
{
protected:
    static constexpr int kInterval = 250;
    static constexpr int kHalf = 80;

    std::unique_ptr<Timer> make(char name)
    {
        auto timer = m_loop.createTimer();
        timer->setOnTick([this, name] { m_ticks.push_back(name); });
        return timer;
    }

    void runFor(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    bool runUntilTicks(std::size_t n, int boundMs = 5000)
    {
        QDeadlineTimer deadline(boundMs);
        while (m_ticks.size() < n && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        return m_ticks.size() >= n;
    }

    // Starts a at once and b a little later, both with kInterval; then runs change on a.
    template <typename F> void race(F change)
    {
        auto a = make('a');
        auto b = make('b');
        a->setInterval(kInterval);
        a->setEnabled(true);
        runFor(kHalf);
        b->setInterval(kInterval);
        b->setEnabled(true);
        change(*a);
        ASSERT_TRUE(m_ticks.empty()) << "machine too slow for this test";
        ASSERT_TRUE(runUntilTicks(2));
        a->setEnabled(false);
        b->setEnabled(false);
    }

    QtEventLoop m_loop;
    std::vector<char> m_ticks;
};

TEST_F(QtTimerTest, TicksEveryIntervalWhileEnabled)
{
    auto t = make('t');
    EXPECT_FALSE(t->isEnabled());
    t->setInterval(20);
    runFor(60);
    EXPECT_TRUE(m_ticks.empty()) << "a disabled timer never ticks";
    t->setEnabled(true);
    ASSERT_TRUE(runUntilTicks(3));
    t->setEnabled(false);
    const std::size_t ticks = m_ticks.size();
    runFor(60);
    EXPECT_EQ(m_ticks.size(), ticks) << "disabling stops it";
}

TEST_F(QtTimerTest, IntervalZeroNeverTicksEvenWhenEnabled)
{
    auto t = make('t');
    t->setEnabled(true);
    EXPECT_TRUE(t->isEnabled());
    EXPECT_EQ(t->interval(), 0);
    runFor(60);
    t->setInterval(-5);
    runFor(30);
    EXPECT_TRUE(m_ticks.empty());
    // A running timer set to 0 stops ticking but stays enabled.
    t->setInterval(10);
    ASSERT_TRUE(runUntilTicks(1));
    t->setInterval(0);
    const std::size_t ticks = m_ticks.size();
    runFor(60);
    EXPECT_EQ(m_ticks.size(), ticks);
    EXPECT_TRUE(t->isEnabled());
}

TEST_F(QtTimerTest, EnablingARunningTimerChangesNothing)
{
    race([](Timer& a) { a.setEnabled(true); });
    EXPECT_EQ(m_ticks[0], 'a');
}

TEST_F(QtTimerTest, DisableThenEnableRestartsTheFullInterval)
{
    race([](Timer& a) {
        a.setEnabled(false);
        a.setEnabled(true);
    });
    EXPECT_EQ(m_ticks[0], 'b');
}

TEST_F(QtTimerTest, SettingTheIntervalOfAnEnabledTimerRestartsIt)
{
    race([](Timer& a) { a.setInterval(kInterval); });
    EXPECT_EQ(m_ticks[0], 'b');
}

TEST_F(QtTimerTest, HandlerMayRestartItsOwnTimer)
{
    auto t = make('t');
    Timer* raw = t.get();
    t->setOnTick([this, raw] {
        m_ticks.push_back('t');
        raw->setEnabled(false);
        if (m_ticks.size() < 3)
            raw->setEnabled(true);
    });
    t->setInterval(10);
    t->setEnabled(true);
    ASSERT_TRUE(runUntilTicks(3));
    runFor(50);
    EXPECT_EQ(m_ticks.size(), 3u);
    EXPECT_FALSE(t->isEnabled());
}

TEST(QtEventLoop, ClockIsMonotonic)
{
    QtEventLoop loop;
    std::int64_t last = loop.nowMs();
    EXPECT_GE(last, 0);
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t now = loop.nowMs();
        ASSERT_GE(now, last);
        last = now;
    }
}

} // namespace
} // namespace qv
