#include "app/judge/JudgeOptions.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <netinet/in.h>

#include "util/IpAddress.h"

namespace qv {
namespace {

// A whole number from min to max written with digits only; nullopt otherwise.
std::optional<long> wholeNumber(const std::string& text, long min, long max)
{
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.front() == '-' || ec != std::errc() || at != end || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<sockaddr_storage> JudgeOptions::parseListen(const std::string& text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const std::optional<long> port = wholeNumber(text.substr(colon + 1), 0, 65535);
    const std::string_view host = std::string_view(text).substr(0, colon);
    const std::optional<IpAddress> ip = IpAddress::parse(host);
    // An IPv6 address is written in brackets, an IPv4 one without.
    const bool bracketed = host.starts_with('[');
    if (!port || !ip || bracketed != (ip->family == AF_INET6))
        return std::nullopt;
    sockaddr_storage out {};
    ip->toSocketAddress(static_cast<int>(*port), out);
    return out;
}

std::string JudgeOptions::addressText(const sockaddr* address, bool withPort)
{
    char text[INET6_ADDRSTRLEN] = "";
    uint16_t port = 0;
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        port = ntohs(v6->sin6_port);
        // A dual-stack socket shows IPv4 clients as ::ffff:a.b.c.d; write them as IPv4.
        if (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) {
            inet_ntop(AF_INET, v6->sin6_addr.s6_addr + 12, text, sizeof text);
        } else {
            inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
            if (withPort)
                return "[" + std::string(text) + "]:" + std::to_string(port);
        }
    }
    return withPort ? std::string(text) + ":" + std::to_string(port) : std::string(text);
}

std::optional<JudgeOptions> JudgeOptions::parse(const std::vector<std::string>& args, std::string& error)
{
    JudgeOptions options;
    options.listen = *parseListen("0.0.0.0:8080");
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (arg == "--help") {
            options.help = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos && arg.compare(0, 2, "--") == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--listen" && name != "--path" && name != "--max-connections" && name != "--timeout") {
            error = "unknown argument " + name;
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        if (name == "--listen") {
            const std::optional<sockaddr_storage> listen = parseListen(*value);
            if (!listen) {
                error = "--listen needs ADDR:PORT with a numeric address (1.2.3.4:8080 or [::]:8080), not \""
                    + *value + "\"";
                return std::nullopt;
            }
            options.listen = *listen;
        } else if (name == "--path") {
            if (value->empty() || value->front() != '/') {
                error = "--path must start with /, not \"" + *value + "\"";
                return std::nullopt;
            }
            options.path = *value;
        } else if (name == "--max-connections") {
            const std::optional<long> n = wholeNumber(*value, 1, 1000000);
            if (!n) {
                error = "--max-connections must be a whole number from 1 to 1000000, not \"" + *value + "\"";
                return std::nullopt;
            }
            options.maxConnections = static_cast<int>(*n);
        } else {
            const std::optional<long> n = wholeNumber(*value, 100, 3600000);
            if (!n) {
                error = "--timeout must be a whole number of milliseconds from 100 to 3600000, not \""
                    + *value + "\"";
                return std::nullopt;
            }
            options.timeoutMs = static_cast<int>(*n);
        }
    }
    return options;
}

} // namespace qv
