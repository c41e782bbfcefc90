#pragma once

#include "protocols/Destination.h"
#include "protocols/Handshake.h"

namespace qv {

// The SOCKS4 CONNECT request: to an IPv4 address, or (SOCKS4a) to a name the proxy resolves.
// The reply is 8 bytes: version 0, then 90 for granted; any other code is "socks refused".
class Socks4Connect final : public Handshake {
public:
    static constexpr std::size_t kReplySize = 8;

    // userId goes into the request's user-id field (the entry's user name, often empty).
    Socks4Connect(Destination destination, std::string userId);

    // Fails at once ("socks error") for an IPv6 destination, which SOCKS4 cannot name.
    std::string start() override;

private:
    std::string step() override;

    Destination m_destination;
    std::string m_userId;
};

} // namespace qv
