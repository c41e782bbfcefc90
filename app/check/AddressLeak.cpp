#include "app/check/AddressLeak.h"

#include <algorithm>

namespace qv::AddressLeak {

namespace {
bool partOfAddress(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == ':';
}

// What may continue an address of this kind: next to an IPv4 address a colon starts a port (or
// ends an IPv6 prefix, "::ffff:1.2.3.4"), next to an IPv6 one it would lengthen it.
bool continues(char c, bool ipv6)
{
    const bool hex = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    return (c >= '0' && c <= '9') || c == '.' || (ipv6 && (hex || c == ':'));
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

std::string remoteAddress(std::string_view page)
{
    constexpr std::string_view kLabel = "REMOTE_ADDR = ";
    const std::size_t at = page.find(kLabel);
    if (at == std::string_view::npos)
        return {};
    std::string_view rest = page.substr(at + kLabel.size());
    rest = rest.substr(0, static_cast<std::size_t>(std::find_if_not(rest.begin(), rest.end(), partOfAddress) - rest.begin()));
    // An IPv4 client seen on an IPv6 socket: other headers and pages name it the IPv4 way.
    constexpr std::string_view kMapped = "::ffff:";
    if (rest.size() > kMapped.size() && std::equal(kMapped.begin(), kMapped.end(), rest.begin(), [](char a, char b) { return a == lower(b); })
        && rest.find(':', kMapped.size()) == std::string_view::npos)
        rest.remove_prefix(kMapped.size());
    return std::string(rest);
}

bool shows(std::string_view page, std::string_view address)
{
    if (address.empty())
        return false;
    const auto same = [](char a, char b) { return lower(a) == lower(b); };
    for (auto it = page.begin();;) {
        it = std::search(it, page.end(), address.begin(), address.end(), same);
        if (it == page.end())
            return false;
        const auto after = it + static_cast<std::ptrdiff_t>(address.size());
        const bool ipv6 = address.find(':') != std::string_view::npos;
        if ((it == page.begin() || !continues(*(it - 1), ipv6)) && (after == page.end() || !continues(*after, ipv6)))
            return true;
        ++it;
    }
}

} // namespace qv::AddressLeak
