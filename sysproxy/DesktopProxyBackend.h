#pragma once

#include <string>

namespace qv {

// One desktop's own proxy setting, made to follow what the program wrote to the settings store.
class DesktopProxyBackend
{
public:
    virtual ~DesktopProxyBackend() = default;

    // For messages, e.g. "GNOME".
    virtual std::string name() const = 0;
    // False when this desktop's settings are not installed here; the backend is then skipped.
    virtual bool isAvailable() const = 0;
    // What is missing when isAvailable() is false, for messages.
    virtual std::string missing() const { return name() + " is not available here"; }
    // Whatever apply() could refuse, checked before anything is written anywhere. False with why
    // set when apply() would fail.
    virtual bool canApply(bool enable, const std::string& host, int port, std::string* why) const
    {
        (void)enable, (void)host, (void)port, (void)why;
        return true;
    }
    // enable false switches the desktop's proxy off (host and port are then not used).
    // False with error set when the setting could not be written.
    virtual bool apply(bool enable, const std::string& host, int port, std::string* error) = 0;
};

} // namespace qv
