#pragma once

#include <functional>

namespace qv {

// A periodic timer with the semantics the scan engine relies on:
// - enabling a stopped timer starts it, its first tick one interval later, then one tick per interval;
// - enabling a running timer changes nothing; disabling stops it, so disable + enable restarts the interval;
// - setting the interval of an enabled timer restarts its countdown with the new interval;
// - an interval of 0 (or less) never ticks, even while enabled.
class Timer {
public:
    virtual ~Timer() = default;

    virtual void setOnTick(std::function<void()> onTick) = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};

} // namespace qv
