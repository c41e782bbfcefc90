#pragma once

#include "sysproxy/DesktopProxyBackend.h"

namespace qv {

// GNOME's proxy setting through GSettings: mode "manual" with either the HTTP and HTTPS proxy or the
// SOCKS proxy (the other emptied, so no traffic goes to an earlier proxy), or "none". The HTTP proxy
// alone holds a user name and password.
// Plain C++ header: the GIO headers stay inside the .cpp, away from Qt's keyword macros.
class GnomeProxyBackend final : public DesktopProxyBackend
{
public:
    struct Settings
    {
        std::string mode;
        std::string httpHost;
        int httpPort = 0;
        std::string httpsHost;
        int httpsPort = 0;
        std::string socksHost;
        int socksPort = 0;
        bool useAuthentication = false;
        std::string user;
        std::string password;
    };

    std::string name() const override { return "GNOME"; }
    // The proxy schema is installed and settings are kept somewhere lasting (not only in memory).
    bool isAvailable() const override;
    std::string missing() const override { return "no GNOME settings backend that keeps values"; }
    std::string credentialsHolder(const DesktopProxy& proxy) const override;
    // The keys apply() sets are writable (not locked down) and take the user name and password.
    bool canApply(bool enable, const DesktopProxy& proxy, std::string* why) const override;
    bool apply(bool enable, const DesktopProxy& proxy, std::string* error) override;

    // The desktop's current proxy setting; empty when the schema is missing.
    static Settings current();
};

} // namespace qv
