#include "platform/QtEpollEventLoop.h"

#include <QCoreApplication>

namespace qv {

QtEpollEventLoop::QtEpollEventLoop()
    : m_notifier(m_loop.fd(), QSocketNotifier::Read)
{
    m_loop.wakeViaFd(true);
    QObject::connect(&m_notifier, &QSocketNotifier::activated, &m_notifier, [this] { onActivated(); });
}

void QtEpollEventLoop::onActivated()
{
    // Batches while there is work, for a few milliseconds at most: a round of Qt's loop (and the
    // repaints it brings) costs more than a batch of a few sockets, and the window still gets its
    // turn well within a frame.
    const std::int64_t until = EpollEventLoop::nowNs() + kSliceNs;
    while (m_loop.processEvents(0) > 0 && EpollEventLoop::nowNs() < until) { }
}

void QtEpollEventLoop::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_loop.processEvents(0);
}

} // namespace qv
