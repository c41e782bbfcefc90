#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/TcpSocket.h"
#include "platform/Timer.h"

namespace qv {

// The one event loop everything runs on: makes sockets and timers that deliver their events on it,
// lets long work yield to it, and tells the time.
class EventLoop {
public:
    virtual ~EventLoop() = default;

    virtual std::unique_ptr<TcpSocket> createSocket() = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;

    // Handles the events that are pending now, then returns.
    virtual void yield() = 0;

    // Runs call on the loop's next turn, after the handler that posts it has returned; calls run
    // in the order they were posted, and one posted from inside a posted call waits for the turn
    // after. Lets code report an outcome from the loop instead of from inside its caller.
    virtual void post(std::function<void()> call) = 0;

    // Monotonic milliseconds.
    virtual std::int64_t nowMs() const = 0;

    // Host names are asked afresh from now on; until the next call a loop may ask each name once
    // and share the answer. A scan calls it when it starts.
    virtual void forgetHostNames() { }
};

} // namespace qv
