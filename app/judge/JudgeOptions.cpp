#include "app/judge/JudgeOptions.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <getopt.h>
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
    enum Code {
        Listen = 256,
        Path,
        MaxConnections,
        MaxPerClient,
        Timeout,
        TlsListen,
        TlsCert,
        TlsKey,
        Quiet,
        Help,
        Version
    };
    static const option kLongOptions[]
        = { { "listen", required_argument, nullptr, Listen }, { "path", required_argument, nullptr, Path },
              { "max-connections", required_argument, nullptr, MaxConnections },
              { "max-per-client", required_argument, nullptr, MaxPerClient },
              { "timeout", required_argument, nullptr, Timeout },
              { "tls-listen", required_argument, nullptr, TlsListen },
              { "tls-cert", required_argument, nullptr, TlsCert },
              { "tls-key", required_argument, nullptr, TlsKey }, { "quiet", no_argument, nullptr, Quiet },
              { "help", no_argument, nullptr, Help }, { "version", no_argument, nullptr, Version },
              { nullptr, 0, nullptr, 0 } };
    const auto nameOf = [](int code) {
        for (const option& o : kLongOptions) {
            if (o.name && o.val == code)
                return "--" + std::string(o.name);
        }
        return "-" + std::string(1, static_cast<char>(code));
    };

    std::vector<std::string> words { "quorvane-judge" };
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    JudgeOptions options;
    options.listen = *parseListen("0.0.0.0:8080");
    // optind 0 makes getopt start afresh; "+" stops at the first operand instead of reordering, ":"
    // tells a missing value from an unknown option, and opterr 0 leaves the messages to us.
    optind = 0;
    opterr = 0;
    const int argc = static_cast<int>(words.size());
    for (int code; (code = getopt_long(argc, argv.data(), "+:h", kLongOptions, nullptr)) != -1;) {
        const std::string value = optarg ? optarg : "";
        switch (code) {
        case ':':
            error = nameOf(optopt) + " needs a value";
            return std::nullopt;
        case '?':
            if (optopt >= Listen) {
                error = nameOf(optopt) + " takes no value";
            } else if (optopt != 0) {
                error = "unknown option -" + std::string(1, static_cast<char>(optopt));
            } else {
                const std::string word = argv[optind - 1];
                error = "unknown option " + word.substr(0, word.find('='));
            }
            return std::nullopt;
        case 'h':
        case Help:
            options.help = true;
            break;
        case Version:
            options.version = true;
            break;
        case Quiet:
            options.quiet = true;
            break;
        case Listen:
        case TlsListen: {
            const std::optional<sockaddr_storage> listen = parseListen(value);
            if (!listen) {
                error = nameOf(code)
                    + " needs ADDR:PORT with a numeric address (1.2.3.4:8080 or [::]:8080), not \"" + value
                    + "\"";
                return std::nullopt;
            }
            (code == Listen ? options.listen : options.tlsListen.emplace()) = *listen;
            break;
        }
        case Path:
            if (value.empty() || value.front() != '/') {
                error = "--path must start with /, not \"" + value + "\"";
                return std::nullopt;
            }
            options.path = value;
            break;
        case MaxConnections:
        case MaxPerClient: {
            const std::optional<long> n = wholeNumber(value, code == MaxConnections ? 1 : 0, 1000000);
            if (!n) {
                error = nameOf(code) + " must be a whole number from " + (code == MaxConnections ? "1" : "0")
                    + " to 1000000, not \"" + value + "\"";
                return std::nullopt;
            }
            (code == MaxConnections ? options.maxConnections : options.maxPerClient) = static_cast<int>(*n);
            break;
        }
        case Timeout: {
            const std::optional<long> n = wholeNumber(value, 100, 3600000);
            if (!n) {
                error = "--timeout must be a whole number of milliseconds from 100 to 3600000, not \"" + value
                    + "\"";
                return std::nullopt;
            }
            options.timeoutMs = static_cast<int>(*n);
            break;
        }
        case TlsCert:
        case TlsKey:
            (code == TlsCert ? options.tlsCertFile : options.tlsKeyFile) = value;
            break;
        }
    }
    if (optind < argc) {
        error = std::string("unexpected argument \"") + argv[optind] + "\"";
        return std::nullopt;
    }
    if (options.tlsListen.has_value() != !options.tlsCertFile.empty()
        || options.tlsListen.has_value() != !options.tlsKeyFile.empty()) {
        error = "--tls-listen, --tls-cert and --tls-key go together";
        return std::nullopt;
    }
    return options;
}

} // namespace qv
