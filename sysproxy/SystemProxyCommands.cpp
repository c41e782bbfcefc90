#include "sysproxy/SystemProxyCommands.h"

#include <charconv>

#include "sysproxy/GnomeProxyBackend.h"
#include "sysproxy/KdeProxyBackend.h"
#include "sysproxy/Registry.h"

namespace qv {

namespace {
constexpr int kIpColumn = 1;
constexpr int kPortColumn = 2;

// 0 when the text is not a port number.
int parsePort(const std::string& text)
{
    int port = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, port);
    if (ec != std::errc() || ptr != end || port < 1 || port > 65535)
        return 0;
    return port;
}
} // namespace

SystemProxyCommands::SystemProxyCommands(const ListView& view, MessageBox& messageBox, RegistryStore& store,
    std::vector<std::unique_ptr<DesktopProxyBackend>> backends)
    : m_view(view)
    , m_messageBox(messageBox)
    , m_store(store)
    , m_backends(std::move(backends))
{
}

std::vector<std::unique_ptr<DesktopProxyBackend>> SystemProxyCommands::desktopBackends()
{
    std::vector<std::unique_ptr<DesktopProxyBackend>> backends;
    backends.push_back(std::make_unique<GnomeProxyBackend>());
    backends.push_back(std::make_unique<KdeProxyBackend>());
    return backends;
}

void SystemProxyCommands::setAsDefaultProxy()
{
    if (m_messageBox.show(
            "Are you sure you want use this proxy?", MessageBox::YesNo | MessageBox::Question, "Set Proxy")
        != MessageBox::Yes)
        return;
    const int row = m_view.selectedRow();
    if (row < 0)
        return;
    apply(true, m_view.subItem(row, kIpColumn) + ':' + m_view.subItem(row, kPortColumn), "Set Proxy");
}

void SystemProxyCommands::clearProxySupport()
{
    if (m_messageBox.show("Are you sure you want to clear proxy support?",
            MessageBox::YesNo | MessageBox::Question, "Clear Proxy")
        != MessageBox::Yes)
        return;
    apply(false, std::string(), "Clear Proxy");
}

void SystemProxyCommands::apply(bool enable, const std::string& server, const std::string& title)
{
    std::vector<std::string> failures;
    std::string error;
    if (!Registry::SetRegDword(
            m_store, Registry::kHkeyCurrentUser, kKeyPath, "ProxyEnable", enable ? 1 : 0, &error))
        failures.push_back("ProxyEnable in " + m_store.location() + ": " + error);
    if (!Registry::SetRegString(m_store, Registry::kHkeyCurrentUser, kKeyPath, "ProxyServer", server, &error))
        failures.push_back("ProxyServer in " + m_store.location() + ": " + error);

    // The same split the scan uses: host before the first ":", port up to the next one.
    const std::size_t colon = server.find(':');
    const std::string host = enable ? server.substr(0, colon) : std::string();
    int port = 0;
    if (enable) {
        const std::string portText = colon == std::string::npos ? std::string() : server.substr(colon + 1);
        port = parsePort(portText.substr(0, portText.find(':')));
        if (port == 0)
            failures.push_back("the desktop proxy: \"" + portText + "\" is not a port number");
    }
    if (!enable || port != 0) {
        for (const auto& backend : m_backends) {
            if (!backend->isAvailable())
                continue;
            error.clear();
            if (!backend->apply(enable, host, port, &error))
                failures.push_back("the " + backend->name() + " proxy setting: " + error);
        }
    }

    if (failures.empty())
        return;
    std::string prompt = "The proxy setting could not be written completely. Failed:";
    for (const std::string& failure : failures)
        prompt += "\n- " + failure;
    m_messageBox.show(prompt, MessageBox::OkOnly | MessageBox::Critical, title);
}

} // namespace qv
