#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/Timer.h"

namespace qv {

class EpollEventLoop;

// Timer on EpollEventLoop's deadline heap: one deadline per enabled timer, re-armed on each tick
// before the handler runs, so the handler may disable, restart or destroy its own timer.
class EpollTimer final : public Timer
{
public:
    explicit EpollTimer(EpollEventLoop& loop);
    ~EpollTimer() override;
    EpollTimer(const EpollTimer&) = delete;
    EpollTimer& operator=(const EpollTimer&) = delete;

    void setOnTick(std::function<void()> onTick) override { m_onTick = std::move(onTick); }
    void setInterval(int milliseconds) override;
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }

private:
    friend class EpollEventLoop;
    static constexpr std::size_t kNotArmed = static_cast<std::size_t>(-1);

    void restart();
    std::int64_t intervalNs() const { return static_cast<std::int64_t>(m_interval) * 1000000; }

    EpollEventLoop& m_loop;
    std::function<void()> m_onTick;
    int m_interval = 0;
    bool m_enabled = false;
    // Kept by the loop: the deadline while armed, and where its heap entry is (see arm()).
    bool m_armed = false;
    std::int64_t m_deadline = 0;
    std::uint64_t m_order = 0;
    std::size_t m_heapIndex = kNotArmed;
};

} // namespace qv
