#include "protocols/Destination.h"

#include <arpa/inet.h>

namespace qv {

namespace {
std::string addressOf(const std::string& host, int family)
{
    unsigned char bytes[16];
    // c_str() would end the text at an embedded NUL.
    if (host.find('\0') != std::string::npos || inet_pton(family, host.c_str(), bytes) != 1)
        return {};
    return std::string(reinterpret_cast<const char*>(bytes), family == AF_INET ? 4 : 16);
}
} // namespace

Destination::Kind Destination::kind() const
{
    if (!addressOf(host, AF_INET).empty())
        return Kind::Ipv4;
    return addressOf(host, AF_INET6).empty() ? Kind::Name : Kind::Ipv6;
}

std::string Destination::addressBytes() const
{
    std::string bytes = addressOf(host, AF_INET);
    return bytes.empty() ? addressOf(host, AF_INET6) : bytes;
}

std::string Destination::authority() const
{
    const std::string text = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return text + ":" + std::to_string(port);
}

std::string portBytes(std::uint16_t port)
{
    return { static_cast<char>(port >> 8), static_cast<char>(port & 0xff) };
}

} // namespace qv
