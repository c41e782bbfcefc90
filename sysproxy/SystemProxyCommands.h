#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "platform/RegistryStore.h"
#include "sysproxy/DesktopProxyBackend.h"

namespace qv {

// The popup menu's two system-proxy commands: after a Yes they write ProxyEnable and ProxyServer to
// the current user's Internet settings in one change, then make each available desktop follow.
// Whatever could be refused (the proxy's text, a locked desktop setting) is checked first, and a
// store that cannot be written stops the command before the desktops, so the store and the
// desktops never disagree. The user is told when only the program's own store was written.
class SystemProxyCommands final
{
public:
    static constexpr const char* kKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

    SystemProxyCommands(const ListView& view, MessageBox& messageBox, RegistryStore& store,
        std::vector<std::unique_ptr<DesktopProxyBackend>> backends);
    SystemProxyCommands(const SystemProxyCommands&) = delete;
    SystemProxyCommands& operator=(const SystemProxyCommands&) = delete;

    // The desktops this system knows: GNOME and KDE.
    static std::vector<std::unique_ptr<DesktopProxyBackend>> desktopBackends();

    // "&Set As Default Proxy": the selected row's proxy; a SOCKS one as the SOCKS proxy, any other as
    // the HTTP and HTTPS proxy. A find with a user name and password gives them to the settings that
    // can hold them; the question says which.
    void setAsDefaultProxy();
    // "&Clear Proxy Support".
    void clearProxySupport();

private:
    void apply(bool enable, DesktopProxy proxy, const std::string& portText, const std::string& title);
    // Where the proxy's user name and password go and which settings cannot hold them.
    std::string credentialsNote(const DesktopProxy& proxy) const;
    void report(const std::string& prompt, int icon, const std::string& title);

    const ListView& m_view;
    MessageBox& m_messageBox;
    RegistryStore& m_store;
    std::vector<std::unique_ptr<DesktopProxyBackend>> m_backends;
};

} // namespace qv
