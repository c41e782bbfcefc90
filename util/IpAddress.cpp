#include "util/IpAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace qv {

std::optional<IpAddress> IpAddress::parse(std::string_view text)
{
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    char buffer[INET6_ADDRSTRLEN];
    if (text.empty() || text.size() >= sizeof buffer)
        return std::nullopt;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    IpAddress address;
    if (::inet_pton(AF_INET, buffer, address.bytes.data()) == 1)
        return address;
    address.family = AF_INET6;
    if (::inet_pton(AF_INET6, buffer, address.bytes.data()) == 1)
        return address;
    return std::nullopt;
}

socklen_t IpAddress::toSocketAddress(int port, sockaddr_storage& out) const
{
    out = {};
    const auto network = htons(static_cast<std::uint16_t>(port));
    if (family == AF_INET) {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
        v4->sin_family = AF_INET;
        v4->sin_port = network;
        std::memcpy(&v4->sin_addr, bytes.data(), 4);
        return sizeof(sockaddr_in);
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = network;
    std::memcpy(&v6->sin6_addr, bytes.data(), 16);
    return sizeof(sockaddr_in6);
}

} // namespace qv
