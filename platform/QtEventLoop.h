#pragma once

#include <QObject>
#include <chrono>

#include "platform/EventLoop.h"

namespace qv {

// The application's Qt event loop: Qt sockets and timers, yield by processing pending events.
class QtEventLoop final : public EventLoop
{
public:
    QtEventLoop();

    std::unique_ptr<TcpSocket> createSocket() override;
    std::unique_ptr<Timer> createTimer() override;
    void yield() override;
    void post(std::function<void()> call) override;
    std::int64_t nowMs() const override;

private:
    std::chrono::steady_clock::time_point m_start;
    // Posted calls are queued on it, so a loop that goes away takes its calls along.
    QObject m_context;
};

} // namespace qv
