#include "platform/QtEventLoop.h"

#include <QCoreApplication>

#include "platform/QtTcpSocket.h"
#include "platform/QtTimer.h"

namespace qv {

QtEventLoop::QtEventLoop()
    : m_start(std::chrono::steady_clock::now())
{
}

std::unique_ptr<TcpSocket> QtEventLoop::createSocket()
{
    return std::make_unique<QtTcpSocket>();
}

std::unique_ptr<Timer> QtEventLoop::createTimer()
{
    return std::make_unique<QtTimer>();
}

void QtEventLoop::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::post(std::function<void()> call)
{
    QMetaObject::invokeMethod(&m_context, std::move(call), Qt::QueuedConnection);
}

std::int64_t QtEventLoop::nowMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start)
        .count();
}

} // namespace qv
