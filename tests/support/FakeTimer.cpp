#include "support/FakeTimer.h"

#include "support/FakeEventLoop.h"

namespace qv::test {

FakeTimer::FakeTimer(FakeEventLoop& loop)
    : m_loop(loop)
    , m_generation(std::make_shared<std::uint64_t>(0))
{
}

void FakeTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    if (m_enabled)
        arm();
}

void FakeTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled) {
        arm();
    } else {
        ++*m_generation;
        m_nextTick = -1;
    }
}

void FakeTimer::arm()
{
    const std::uint64_t generation = ++*m_generation;
    if (m_interval <= 0) {
        m_nextTick = -1;
        return;
    }
    m_nextTick = m_loop.nowMs() + m_interval;
    std::weak_ptr<std::uint64_t> life = m_generation;
    auto alive = [life, generation] {
        auto held = life.lock();
        return held && *held == generation;
    };
    m_loop.post(
        m_interval,
        [this, alive] {
            if (!alive())
                return;
            ++m_loop.m_ticks;
            arm();
            if (m_onTick)
                m_onTick();
        },
        alive);
}

} // namespace qv::test
