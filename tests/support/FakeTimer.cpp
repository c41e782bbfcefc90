#include "support/FakeTimer.h"

namespace qv::test {

void FakeTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    if (m_enabled)
        arm();
}

void FakeTimer::setEnabled(bool enabled)
{
    if (std::exchange(m_enabled, enabled) == enabled)
        return;
    m_generation.bump();
    if (enabled)
        arm();
}

void FakeTimer::arm()
{
    m_generation.bump();
    if (m_interval <= 0)
        return;
    auto alive = m_generation.alive();
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
