#include "platform/QtTimer.h"

namespace qv {

QtTimer::QtTimer()
{
    // Timeouts are compared against each other; the default coarse timer may drift by 5%.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_onTick)
            m_onTick();
    });
}

void QtTimer::restart()
{
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

void QtTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    restart();
}

void QtTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    restart();
}

} // namespace qv
