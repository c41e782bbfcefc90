#pragma once

#include <optional>
#include <string_view>

namespace qv {

// What a proxy entry speaks. socks4a and socks5h let the proxy resolve the judge's name; socks4 and
// socks5 are sent its address.
enum class Protocol { Http, Https, Socks4, Socks4a, Socks5, Socks5h };

// The lower-case scheme name ("socks5h").
std::string_view protocolName(Protocol protocol);
// The protocol a scheme names, letter case ignored.
std::optional<Protocol> protocolFromName(std::string_view name);

} // namespace qv
