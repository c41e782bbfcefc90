#include "sysproxy/SystemProxyCommands.h"

#include <charconv>

#include "engine/ProxyUrl.h"
#include "sysproxy/GnomeProxyBackend.h"
#include "sysproxy/KdeProxyBackend.h"
#include "sysproxy/Registry.h"

namespace qv {

namespace {
constexpr int kIpColumn = 1;
constexpr int kPortColumn = 2;
constexpr int kTypeColumn = 4;

// 0 when the text is not a port number; blanks around it are allowed, as the scan allows them.
int parsePort(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return 0;
    int port = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data() + begin, end, port);
    if (ec != std::errc() || ptr != end || port < 1 || port > 65535)
        return 0;
    return port;
}

// A host name or an IPv4 address: what every desktop's setting can hold.
bool usableHost(const std::string& host)
{
    if (host.empty() || host.size() > 253)
        return false;
    for (const char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
            || c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
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
    // Read before asking: the answer is about the proxy selected now, wherever a running scan moves it.
    const int row = m_view.selectedRow();
    DesktopProxy proxy;
    const std::string portText = m_view.subItem(row, kPortColumn);
    std::string question = "Are you sure you want use this proxy?";
    if (row >= 0) {
        proxy.host = m_view.subItem(row, kIpColumn);
        proxy.socks = m_view.subItem(row, kTypeColumn).starts_with("socks");
        // A find with a scheme keeps its whole entry as the row's text, credentials included.
        if (const std::string entry = m_view.rowText(row); !entry.empty())
            proxy.credentials = ProxyUrl::parse(entry).credentials;
        if (proxy.credentials)
            question += "\n" + credentialsNote(proxy);
    }
    if (m_messageBox.show(question, MessageBox::YesNo | MessageBox::Question, "Set Proxy") != MessageBox::Yes
        || row < 0)
        return;
    apply(true, proxy, portText, "Set Proxy");
}

std::string SystemProxyCommands::credentialsNote(const DesktopProxy& proxy) const
{
    std::vector<std::string> holders;
    std::vector<std::string> others;
    for (const auto& backend : m_backends) {
        if (!backend->isAvailable())
            continue;
        if (std::string holder = backend->credentialsHolder(proxy); !holder.empty())
            holders.push_back(std::move(holder));
        else
            others.push_back(backend->name());
    }
    others.push_back("the program's own store");
    return (holders.empty() ? "The user name and password go nowhere."
                            : "The user name and password go to: " + joined(holders) + ".")
        + " These cannot hold them: " + joined(others) + ".";
}

void SystemProxyCommands::clearProxySupport()
{
    if (m_messageBox.show("Are you sure you want to clear proxy support?",
            MessageBox::YesNo | MessageBox::Question, "Clear Proxy")
        != MessageBox::Yes)
        return;
    apply(false, DesktopProxy(), std::string(), "Clear Proxy");
}

void SystemProxyCommands::report(const std::string& prompt, int icon, const std::string& title)
{
    m_messageBox.show(prompt, MessageBox::OkOnly | icon, title);
}

void SystemProxyCommands::apply(
    bool enable, DesktopProxy proxy, const std::string& portText, const std::string& title)
{
    const std::string unchanged = "Nothing was changed: ";
    if (enable) {
        if (!usableHost(proxy.host)) {
            report(unchanged + "\"" + proxy.host + "\" is not an address a proxy setting can hold.",
                MessageBox::Critical, title);
            return;
        }
        proxy.port = parsePort(portText);
        if (proxy.port == 0) {
            report(unchanged + "\"" + portText + "\" is not a port number.", MessageBox::Critical, title);
            return;
        }
    }
    std::vector<DesktopProxyBackend*> desktops;
    std::vector<std::string> missing;
    for (const auto& backend : m_backends) {
        if (!backend->isAvailable()) {
            missing.push_back(backend->missing());
            continue;
        }
        std::string why;
        if (!backend->canApply(enable, proxy, &why)) {
            report(unchanged + "the " + backend->name() + " proxy setting cannot be written: " + why,
                MessageBox::Critical, title);
            return;
        }
        desktops.push_back(backend.get());
    }

    // The store first, both values in one change; when it cannot be written the desktops are left
    // alone too. The store names a SOCKS proxy "socks=host:port"; a plain host:port serves every protocol.
    std::string server;
    if (enable)
        server = (proxy.socks ? "socks=" : "") + proxy.host + ':' + std::to_string(proxy.port);
    RegistryStore::Value enableValue { RegistryStore::ValueType::Dword, {}, enable ? 1u : 0u };
    RegistryStore::Value serverValue { RegistryStore::ValueType::String, server, 0 };
    std::string error;
    if (!Registry::SetRegValues(m_store, Registry::kHkeyCurrentUser,
            { { kKeyPath, "ProxyEnable", enableValue }, { kKeyPath, "ProxyServer", serverValue } }, &error)) {
        report(unchanged + m_store.location() + ": " + error, MessageBox::Critical, title);
        return;
    }

    std::vector<std::string> failures;
    for (DesktopProxyBackend* desktop : desktops) {
        error.clear();
        if (!desktop->apply(enable, proxy, &error))
            failures.push_back("the " + desktop->name() + " proxy setting: " + error);
    }
    const bool anyDesktop = failures.size() < desktops.size();
    if (failures.empty() && anyDesktop)
        return;
    const std::string onlyStore = "Only the program's own store, " + m_store.location() + ", was written";
    if (failures.empty()) {
        std::string prompt = onlyStore + ": no desktop proxy setting could be changed";
        for (std::size_t i = 0; i < missing.size(); ++i)
            prompt += (i == 0 ? " (" : "; ") + missing[i] + (i + 1 == missing.size() ? ")" : "");
        report(prompt + ".", MessageBox::Exclamation, title);
        return;
    }
    std::string prompt = "The proxy setting could not be written completely. Failed:";
    for (const std::string& failure : failures)
        prompt += "\n- " + failure;
    if (!anyDesktop)
        prompt += "\n" + onlyStore + ".";
    report(prompt, MessageBox::Critical, title);
}

} // namespace qv
