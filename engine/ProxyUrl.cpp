#include "engine/ProxyUrl.h"

#include "engine/ProxyEntry.h"
#include "protocols/Destination.h"
#include "util/Text.h"

namespace qv {

namespace {
bool isIpv6(const std::string& text)
{
    return Destination { text, 0 }.kind() == Destination::Kind::Ipv6;
}

// "%41" is "A"; a "%" not followed by two hex digits stays as it is.
std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string percentEncode(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        if (isHostName(std::string_view(&c, 1)) || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[static_cast<unsigned char>(c) >> 4];
            out += kHex[static_cast<unsigned char>(c) & 15];
        }
    }
    return out;
}

// A check writes every non-HTTP find, so this is kept cheap: of the hosts an entry can hold, only an
// IPv6 address has a colon.
void appendHostPort(std::string& text, const std::string& host, int port)
{
    const bool brackets = host.find(':') != std::string::npos;
    if (brackets)
        text += '[';
    text += host;
    if (brackets)
        text += ']';
    text += ':';
    text += std::to_string(port);
}

// host:port or [v6]:port after the scheme and credentials; port 0 when it is not usable.
void parseHostPort(std::string_view text, ProxyUrl& url)
{
    if (text.ends_with('/'))
        text.remove_suffix(1);
    std::size_t colon;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return;
        url.host = std::string(text.substr(1, close - 1));
        if (!isIpv6(url.host) || text.substr(close + 1, 1) != ":")
            return;
        colon = close + 1;
    } else {
        colon = text.find(':');
        url.host = std::string(text.substr(0, colon));
        if (colon == std::string_view::npos || !isHostName(url.host))
            return;
    }
    const long long port = parseWholeNumber(text.substr(colon + 1), 65535);
    url.port = port >= 1 ? static_cast<int>(port) : 0;
}
} // namespace

bool ProxyUrl::hasScheme(std::string_view line)
{
    // The old rule reads no line with "://" at its first ":" as usable, so a scheme takes nothing away.
    const std::size_t schemeEnd = line.find("://");
    return schemeEnd != std::string_view::npos && schemeEnd == line.find(':');
}

ProxyUrl ProxyUrl::parse(std::string_view line)
{
    ProxyUrl url;
    if (!hasScheme(line)) {
        const ProxyEntry entry = ProxyEntry::parse(line);
        url.host = entry.ip;
        url.port = entry.port;
        if (!url.usable() && line.starts_with('['))
            parseHostPort(line, url);
        return url;
    }
    const std::size_t schemeEnd = line.find("://");
    const std::optional<Protocol> protocol = protocolFromName(line.substr(0, schemeEnd));
    if (!protocol)
        return url;
    url.protocol = *protocol;
    std::string_view rest = line.substr(schemeEnd + 3);
    const std::size_t at = rest.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view info = rest.substr(0, at);
        const std::size_t colon = info.find(':');
        Credentials credentials { percentDecode(info.substr(0, colon)),
            colon == std::string_view::npos ? std::string() : percentDecode(info.substr(colon + 1)) };
        if (!credentials.user.empty() || !credentials.password.empty())
            url.credentials = std::move(credentials);
        rest = rest.substr(at + 1);
    }
    parseHostPort(rest, url);
    return url;
}

std::string ProxyUrl::write() const
{
    if (protocol != Protocol::Http || credentials)
        return writeWithScheme();
    std::string text;
    appendHostPort(text, host, port);
    return text;
}

std::string ProxyUrl::writeWithScheme() const
{
    std::string text(protocolName(protocol));
    text.reserve(text.size() + host.size() + 12);
    text += "://";
    if (credentials) {
        text += percentEncode(credentials->user);
        text += ':';
        text += percentEncode(credentials->password);
        text += '@';
    }
    appendHostPort(text, host, port);
    return text;
}

} // namespace qv
