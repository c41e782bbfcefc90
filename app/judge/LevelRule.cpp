#include "app/judge/LevelRule.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "util/IpAddress.h"
#include "util/Text.h"

namespace qv {
namespace {

using Address = std::array<unsigned char, 16>;

// Headers that carry the client's address. Names are compared in lower case with '_' read as '-', as
// servers that pass them on often rewrite them.
constexpr std::string_view kAddressHeaders[] = { "x-forwarded-for", "x-real-ip", "client-ip", "x-client-ip",
    "true-client-ip", "forwarded", "x-forwarded", "forwarded-for", "x-cluster-client-ip", "x-originating-ip",
    "x-remote-ip", "x-remote-addr", "cf-connecting-ip", "fastly-client-ip", "x-proxyuser-ip",
    "proxy-client-ip", "wl-proxy-client-ip", "x-tinyproxy", "x-coming-from", "coming-from", "http-client-ip",
    "http-x-forwarded-for" };

// Headers that only a proxy adds. Via names the proxies on the way, never the client, even when it
// names one by its address (a proxy behind NAT names its private one). Cache-Control is not among
// them: clients send it too.
constexpr std::string_view kProxyHeaders[] = { "via", "proxy-connection", "x-proxy-id", "x-bluecoat-via",
    "x-via", "xroxy-connection", "x-forwarded-proto", "x-forwarded-host", "x-forwarded-port",
    "x-forwarded-server", "x-forwarded-by", "x-imforwards", "proxy-authorization", "surrogate-capability" };

std::string normalName(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        c = c == '_' ? '-' : lowerAscii(c);
    return out;
}

bool listed(std::string_view name, const auto& table)
{
    return std::find(std::begin(table), std::end(table), name) != std::end(table);
}

std::string_view trim(std::string_view text, std::string_view junk = " \t\"")
{
    const std::size_t first = text.find_first_not_of(junk);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(junk) - first + 1);
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(trim(text.substr(start, end - start)));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// Both spellings of one IPv4 address, plain and IPv4-mapped IPv6, compare equal as the latter.
std::optional<Address> toAddress(std::string_view text)
{
    text = text.substr(0, text.find('%')); // a zone index names a local interface, not an address
    const std::optional<IpAddress> ip = IpAddress::parse(text);
    if (!ip)
        return std::nullopt;
    if (ip->family == AF_INET6)
        return ip->bytes;
    Address out {};
    out[10] = out[11] = 0xff;
    std::memcpy(out.data() + 12, ip->bytes.data(), 4);
    return out;
}

// One address as written in a header: "1.2.3.4", "1.2.3.4:80", "::1", "[::1]:80", "[1.2.3.4]", read up
// to the first character no address has, so "10.1.2.3 (client)" is 10.1.2.3. Anything else
// ("unknown", "_hidden", a host name) is no address.
std::optional<Address> parseAddress(std::string_view text)
{
    text = trim(text);
    text = text.substr(0, text.find_first_not_of("0123456789abcdefABCDEF.:[]%"));
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        return toAddress(text.substr(1, close - 1));
    }
    const auto colons = std::count(text.begin(), text.end(), ':');
    return toAddress(colons >= 2 ? text : text.substr(0, text.find(':')));
}

// The address-like texts of one header: list members, Forwarded's for= values.
std::vector<std::string_view> addressTexts(const std::string& name, std::string_view value)
{
    std::vector<std::string_view> out;
    for (std::string_view member : split(value, ',')) {
        if (name == "forwarded") {
            for (std::string_view pair : split(member, ';')) {
                const std::size_t eq = pair.find('=');
                if (eq != std::string_view::npos && normalName(trim(pair.substr(0, eq))) == "for")
                    out.push_back(trim(pair.substr(eq + 1)));
            }
        } else {
            out.push_back(member);
        }
    }
    return out;
}

} // namespace

LevelVerdict judgeLevel(const std::vector<RequestHeader>& headers, std::string_view seenAddress)
{
    const std::optional<Address> seen = parseAddress(seenAddress);
    LevelVerdict verdict;
    for (const RequestHeader& header : headers) {
        const std::string name = normalName(header.name);
        if (listed(name, kAddressHeaders)) {
            for (std::string_view text : addressTexts(name, header.value)) {
                const std::optional<Address> address = parseAddress(text);
                if (address && address != seen)
                    return { 3, header.name, std::string(trim(text)) };
            }
        } else if (!listed(name, kProxyHeaders)) {
            continue;
        }
        if (verdict.level == 1)
            verdict = { 2, header.name, {} };
    }
    return verdict;
}

} // namespace qv
