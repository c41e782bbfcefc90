#pragma once

#include <optional>
#include <string>

#include "protocols/Credentials.h"

namespace qv {

// The proxy a desktop is asked to use. Desktops know one SOCKS proxy and pick its version themselves.
struct DesktopProxy
{
    std::string host;
    int port = 0;
    bool socks = false; // else the HTTP and HTTPS proxy
    std::optional<Credentials> credentials;
};

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
    // The setting that keeps the proxy's user name and password ("GNOME's HTTP proxy"), or empty
    // when this desktop cannot hold them for such a proxy.
    virtual std::string credentialsHolder(const DesktopProxy& proxy) const
    {
        (void)proxy;
        return {};
    }
    // Whatever apply() could refuse, checked before anything is written anywhere. False with why
    // set when apply() would fail.
    virtual bool canApply(bool enable, const DesktopProxy& proxy, std::string* why) const
    {
        (void)enable, (void)proxy, (void)why;
        return true;
    }
    // enable false switches the desktop's proxy off (proxy is then not used).
    // False with error set when the setting could not be written.
    virtual bool apply(bool enable, const DesktopProxy& proxy, std::string* error) = 0;
};

} // namespace qv
