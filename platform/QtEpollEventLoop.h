#pragma once

#include <QSocketNotifier>

#include "platform/EpollEventLoop.h"

namespace qv {

// The epoll loop run from inside Qt's event loop, for the window: Qt watches only the epoll
// descriptor (which also wakes for timers and posted work) instead of one notifier per socket.
class QtEpollEventLoop final : public EventLoop
{
    Q_DISABLE_COPY_MOVE(QtEpollEventLoop)

public:
    QtEpollEventLoop();

    std::unique_ptr<TcpSocket> createSocket() override { return m_loop.createSocket(); }
    std::unique_ptr<Timer> createTimer() override { return m_loop.createTimer(); }
    // Qt's pending events (the window's) and then the sockets' and timers'.
    void yield() override;
    void post(std::function<void()> call) override { m_loop.post(std::move(call)); }
    std::int64_t nowMs() const override { return m_loop.nowMs(); }
    void forgetHostNames() override { m_loop.forgetHostNames(); }

    EpollEventLoop& epoll() { return m_loop; }

private:
    static constexpr std::int64_t kSliceNs = 4000000;

    void onActivated();

    EpollEventLoop m_loop;
    QSocketNotifier m_notifier;
};

} // namespace qv
