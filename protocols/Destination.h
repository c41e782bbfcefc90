#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// Where a tunnel leads: a host name or an address (IPv6 without brackets) and a port.
struct Destination {
    std::string host;
    std::uint16_t port = 0;

    enum class Kind { Name, Ipv4, Ipv6 };
    Kind kind() const;
    // The address's bytes in network order (4 or 16), empty for a name.
    std::string addressBytes() const;
    // host:port with an IPv6 address in brackets, as a request line or Host header writes it.
    std::string authority() const;

    bool operator==(const Destination&) const = default;
};

// Letters, digits, ".", "-" and "_": what a host name in a URL or a proxy entry may hold.
bool isHostName(std::string_view text);

// The two bytes of a port in network order.
std::string portBytes(std::uint16_t port);

} // namespace qv
