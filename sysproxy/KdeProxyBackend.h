#pragma once

#include <string>

#include "sysproxy/DesktopProxyBackend.h"

namespace qv {

// KDE Plasma's proxy setting: the "Proxy Settings" group of kioslaverc, written with the desktop's
// own kwriteconfig tool (which knows that file's rules), then the reparse signal so that running
// programs pick it up. The HTTP and HTTPS proxies or the SOCKS proxy are set, the others emptied; the
// setting holds no user name or password.
class KdeProxyBackend final : public DesktopProxyBackend
{
public:
    KdeProxyBackend();

    std::string name() const override { return "KDE"; }
    // A kwriteconfig6 or kwriteconfig5 tool is installed.
    bool isAvailable() const override { return !m_tool.empty(); }
    std::string missing() const override { return "no kwriteconfig6 or kwriteconfig5 for KDE"; }
    // kioslaverc, when it exists, can be written.
    bool canApply(bool enable, const DesktopProxy& proxy, std::string* why) const override;
    bool apply(bool enable, const DesktopProxy& proxy, std::string* error) override;

    const std::string& tool() const { return m_tool; }

private:
    bool writeKey(const std::string& key, const std::string& value, std::string* error) const;

    std::string m_tool;
};

} // namespace qv
