#pragma once

#include "platform/Timer.h"
#include "support/FakeEventLoop.h"

namespace qv::test {

// A periodic timer on the fake loop's virtual clock.
class FakeTimer final : public Timer {
public:
    explicit FakeTimer(FakeEventLoop& loop)
        : m_loop(loop)
    {
    }

    void setOnTick(std::function<void()> onTick) override { m_onTick = std::move(onTick); }
    void setInterval(int milliseconds) override;
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }

private:
    void arm();

    FakeEventLoop& m_loop;
    std::function<void()> m_onTick;
    int m_interval = 0;
    bool m_enabled = false;
    Generation m_generation;
};

} // namespace qv::test
