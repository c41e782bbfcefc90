#include "platform/QtEpollEventLoop.h"

#include <QCoreApplication>

namespace qv {

QtEpollEventLoop::QtEpollEventLoop()
    : m_notifier(m_loop.fd(), QSocketNotifier::Read)
{
    m_loop.wakeViaFd(true);
    // One batch per wake-up, then back to Qt: the window stays responsive under load.
    QObject::connect(
        &m_notifier, &QSocketNotifier::activated, &m_notifier, [this] { m_loop.processEvents(0); });
}

void QtEpollEventLoop::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_loop.processEvents(0);
}

} // namespace qv
