#pragma once

#include <QObject>
#include <QTimer>

#include "platform/Timer.h"

namespace qv {

// Timer on QTimer. Enabled and the running QTimer differ only while the interval is 0 or less:
// such a timer counts as enabled but never ticks.
class QtTimer final : public QObject, public Timer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtTimer)

public:
    QtTimer();

    void setOnTick(std::function<void()> onTick) override { m_onTick = std::move(onTick); }
    void setInterval(int milliseconds) override;
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }

private:
    void restart();

    QTimer m_timer;
    std::function<void()> m_onTick;
    int m_interval = 0;
    bool m_enabled = false;
};

} // namespace qv
