#include "protocols/Protocol.h"

#include <array>

namespace qv {

namespace {
constexpr std::array<std::string_view, 6> kNames = { "http", "https", "socks4", "socks4a", "socks5", "socks5h" };

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (c != b[i])
            return false;
    }
    return true;
}
} // namespace

std::string_view protocolName(Protocol protocol)
{
    return kNames[static_cast<std::size_t>(protocol)];
}

std::optional<Protocol> protocolFromName(std::string_view name)
{
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (equalNoCase(name, kNames[i]))
            return static_cast<Protocol>(i);
    }
    return std::nullopt;
}

} // namespace qv
