#include "protocols/Destination.h"

#include "util/IpAddress.h"

namespace qv {

bool isHostName(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_'))
            return false;
    }
    return true;
}

namespace {
std::optional<IpAddress> addressOf(const std::string& host)
{
    return host.starts_with('[') ? std::nullopt : IpAddress::parse(host);
}
} // namespace

Destination::Kind Destination::kind() const
{
    const std::optional<IpAddress> address = addressOf(host);
    return !address ? Kind::Name : address->family == AF_INET ? Kind::Ipv4 : Kind::Ipv6;
}

std::string Destination::addressBytes() const
{
    const std::optional<IpAddress> address = addressOf(host);
    if (!address)
        return {};
    return std::string(reinterpret_cast<const char*>(address->bytes.data()), address->family == AF_INET ? 4 : 16);
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
