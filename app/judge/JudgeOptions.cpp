#include "app/judge/JudgeOptions.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <netinet/in.h>

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
    std::string host = text.substr(0, colon);
    if (!port)
        return std::nullopt;
    sockaddr_storage out {};
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(*port));
        if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) != 1)
            return std::nullopt;
        return out;
    }
    auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<uint16_t>(*port));
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) != 1)
        return std::nullopt;
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
