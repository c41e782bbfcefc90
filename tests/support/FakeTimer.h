#pragma once

#include <cstdint>
#include <memory>

#include "platform/Timer.h"

namespace qv::test {

class FakeEventLoop;

// A periodic timer on the fake loop's virtual clock.
class FakeTimer final : public Timer {
public:
    explicit FakeTimer(FakeEventLoop& loop);

    void setOnTick(std::function<void()> onTick) override { m_onTick = std::move(onTick); }
    void setInterval(int milliseconds) override;
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }

    // Virtual time of the next tick, or -1 when none is due.
    std::int64_t nextTickAt() const { return m_nextTick; }

private:
    void arm();

    FakeEventLoop& m_loop;
    std::function<void()> m_onTick;
    int m_interval = 0;
    bool m_enabled = false;
    std::int64_t m_nextTick = -1;
    std::shared_ptr<std::uint64_t> m_generation;
};

} // namespace qv::test
