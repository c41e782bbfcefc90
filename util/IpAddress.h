#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <sys/socket.h>

namespace qv {

// A numeric IPv4 or IPv6 address.
struct IpAddress {
    int family = AF_INET; // AF_INET or AF_INET6
    std::array<unsigned char, 16> bytes {}; // network order; the first 4 for IPv4

    // "1.2.3.4", "::1" or "[::1]"; a zone ("%eth0") is not taken. Anything else, a host name
    // included, is no address.
    static std::optional<IpAddress> parse(std::string_view text);
    // The socket address with this address and port; returns its length.
    socklen_t toSocketAddress(int port, sockaddr_storage& out) const;
};

} // namespace qv
