#include "protocols/JudgeUrl.h"

#include "protocols/Protocol.h"

namespace qv {

std::optional<JudgeUrl> JudgeUrl::parse(std::string_view url)
{
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::nullopt;
    const std::optional<Protocol> scheme = protocolFromName(url.substr(0, schemeEnd));
    if (scheme != Protocol::Http && scheme != Protocol::Https)
        return std::nullopt;
    JudgeUrl result;
    result.secure = scheme == Protocol::Https;
    std::string_view rest = url.substr(schemeEnd + 3);
    const std::size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);

    std::string_view port;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        result.destination.host = std::string(authority.substr(1, close - 1));
        if (result.destination.kind() != Destination::Kind::Ipv6)
            return std::nullopt;
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && !after.starts_with(':'))
            return std::nullopt;
        port = after.empty() ? after : after.substr(1);
    } else {
        const std::size_t colon = authority.find(':');
        const std::string_view host = authority.substr(0, colon);
        if (!isHostName(host))
            return std::nullopt;
        result.destination.host = std::string(host);
        port = colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1);
    }
    unsigned number = result.secure ? 443 : 80;
    if (!port.empty()) {
        number = 0;
        for (const char c : port) {
            if (c < '0' || c > '9' || (number = number * 10 + static_cast<unsigned>(c - '0')) > 65535)
                return std::nullopt;
        }
        if (number == 0)
            return std::nullopt;
    }
    result.destination.port = static_cast<std::uint16_t>(number);

    rest = rest.substr(0, rest.find('#'));
    result.target = rest.starts_with('/') ? std::string(rest) : "/" + std::string(rest);
    return result;
}

std::string JudgeUrl::hostHeader() const
{
    if (destination.port == (secure ? 443 : 80))
        return destination.kind() == Destination::Kind::Ipv6 ? "[" + destination.host + "]" : destination.host;
    return destination.authority();
}

} // namespace qv
