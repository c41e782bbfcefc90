#include "app/check/CheckOptions.h"

#include <algorithm>

#include "engine/ProxyEntry.h"

namespace qv {

namespace {
// "http,socks5" or "all" (http, https, socks4, socks5); each protocol once, in the order given.
bool parseProtocols(std::string_view text, std::vector<Protocol>& out)
{
    out.clear();
    if (text == "all") {
        out = { Protocol::Http, Protocol::Https, Protocol::Socks4, Protocol::Socks5 };
        return true;
    }
    while (true) {
        const std::size_t comma = text.find(',');
        const std::optional<Protocol> protocol = protocolFromName(text.substr(0, comma));
        if (!protocol)
            return false;
        if (std::find(out.begin(), out.end(), *protocol) == out.end())
            out.push_back(*protocol);
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}
} // namespace

std::optional<CheckOptions> CheckOptions::parse(const std::vector<std::string>& args, std::string& error)
{
    CheckOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (arg.empty()) {
                error = "empty file name";
                return std::nullopt;
            }
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (arg == "--all") {
            options.all = true;
            continue;
        }
        if (arg == "--progress") {
            options.progress = true;
            continue;
        }
        if (arg == "--help") {
            options.help = true;
            continue;
        }
        if (arg == "--no-judge-check") {
            options.judgeCheck = false;
            continue;
        }
        if (arg == "--insecure") {
            options.insecure = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--judge" && name != "--sockets" && name != "--timeout" && name != "--out" && name != "--format"
            && name != "--protocols" && name != "--ca-file") {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        if (name == "--judge") {
            if (!options.judge)
                options.judge = *value;
            options.judges.push_back(*value);
        } else if (name == "--protocols") {
            if (!parseProtocols(*value, options.protocols)) {
                error = "--protocols takes a list of http, https, socks4, socks4a, socks5, socks5h or all, not \"" + *value + "\"";
                return std::nullopt;
            }
        } else if (name == "--ca-file") {
            if (value->empty()) {
                error = "--ca-file needs a file name";
                return std::nullopt;
            }
            options.caFile = *value;
        } else if (name == "--out") {
            if (value->empty()) {
                error = "--out needs a file name";
                return std::nullopt;
            }
            options.out = *value;
        } else if (name == "--format") {
            if (*value == "tsv") {
                options.format = Format::Tsv;
            } else if (*value == "csv") {
                options.format = Format::Csv;
            } else if (*value == "json") {
                options.format = Format::Json;
            } else {
                error = "--format must be tsv, csv or json, not \"" + *value + "\"";
                return std::nullopt;
            }
        } else if (name == "--sockets") {
            // How many fit is up to the open-files limit, checked before the scan.
            const long long n = parseWholeNumber(*value, 2147483647);
            if (n < 1) {
                error = "--sockets must be a positive whole number, not \"" + *value + "\"";
                return std::nullopt;
            }
            options.sockets = static_cast<int>(n);
        } else {
            const long long n = parseWholeNumber(*value, 2147483647);
            if (n < 1) {
                error = "--timeout must be a positive whole number of milliseconds, not \"" + *value + "\"";
                return std::nullopt;
            }
            options.timeoutMs = static_cast<int>(n);
        }
    }
    if (options.files.empty() && !options.help) {
        error = "no proxy list given";
        return std::nullopt;
    }
    return options;
}

} // namespace qv
