#include "platform/EpollTimer.h"

#include "platform/EpollEventLoop.h"

namespace qv {

EpollTimer::EpollTimer(EpollEventLoop& loop)
    : m_loop(loop)
{
}

EpollTimer::~EpollTimer()
{
    m_loop.forget(this);
}

void EpollTimer::restart()
{
    if (m_enabled && m_interval > 0)
        m_loop.arm(this, EpollEventLoop::nowNs() + intervalNs());
    else
        m_loop.disarm(this);
}

void EpollTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    restart();
}

void EpollTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    restart();
}

} // namespace qv
