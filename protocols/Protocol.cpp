#include "protocols/Protocol.h"

#include <array>

#include "util/Text.h"

namespace qv {

namespace {
constexpr std::array<std::string_view, 6> kNames = { "http", "https", "socks4", "socks4a", "socks5", "socks5h" };
} // namespace

std::string_view protocolName(Protocol protocol)
{
    return kNames[static_cast<std::size_t>(protocol)];
}

std::optional<Protocol> protocolFromName(std::string_view name)
{
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (equalsNoCase(name, kNames[i]))
            return static_cast<Protocol>(i);
    }
    return std::nullopt;
}

} // namespace qv
