#include "app/check/CheckOptions.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <arpa/inet.h>
#include <tuple>

#include "engine/JudgeHost.h"
#include "engine/ProxyEntry.h"
#include "generated/Version.h"

namespace qv {

namespace {
QString latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string bytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

QString option(const char* name)
{
    return QString::fromLatin1(name);
}

// The one table of options: parsing and --help both read it, so they cannot disagree.
struct OptionRow {
    const char* names; // comma-separated
    const char* valueName; // null for a flag
    const char* description;
};
constexpr OptionRow kOptions[] = {
    { "judge", "URL", "judge page to ask through each proxy (default: the first line of judgescripts.txt); repeat it to give an https:// judge for https checks beside the http:// one" },
    { "protocols", "LIST", "protocols to try an entry without a scheme with: http, https, socks4, socks4a, socks5, socks5h or all (default http)" },
    { "ca-file", "FILE", "more trusted certificates (PEM) for https judges" },
    { "insecure", nullptr, "do not verify https judges' certificates" },
    { "sockets", "N", "checks at once (default 20)" },
    { "timeout", "MS", "milliseconds a proxy gets from the connect and again from the request (default 8000)" },
    { "format", "tsv|csv|json", "result format (default tsv)" },
    { "all", nullptr, "also write failed checks, with ok and reason columns" },
    { "out", "FILE", "also write each find to FILE as ip:port lines, as they come" },
    { "unique", nullptr, "check each distinct entry once (letter case ignored)" },
    { "shard", "K/N", "check only shard K of N of the list (default 1/1)" },
    { "my-address", "ADDR", "this machine's public address, for the leak column (default: the address the judge check saw)" },
    { "progress", nullptr, "write the progress line even when standard error is not a terminal" },
    { "quiet", nullptr, "write no progress and no summary" },
    { "no-judge-check", nullptr, "scan without fetching the judge directly first" },
    { "h,help", nullptr, "show this help and exit" },
    { "version", nullptr, "show the version and exit" },
};

constexpr const char* kStatuses = "Exit status:\n"
                                  "  0      the scan completed\n"
                                  "  1      an output could not be written (the message names it)\n"
                                  "  2      bad arguments, an unreadable list, no usable judge, an --out that\n"
                                  "         cannot be written\n"
                                  "  3      the judge failed the direct check, so every proxy would fail\n"
                                  "  128+N  stopped by signal N (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP) after\n"
                                  "         writing every find so far";

void describe(QCommandLineParser& parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.setApplicationDescription(QStringLiteral("Checks lists of HTTP proxies (one ip:port per line) against a judge page."));
    for (const OptionRow& row : kOptions) {
        QCommandLineOption entry(QString::fromLatin1(row.names).split(u','), QString::fromLatin1(row.description));
        if (row.valueName)
            entry.setValueName(QString::fromLatin1(row.valueName));
        parser.addOption(entry);
    }
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("proxy lists to check; - reads standard input as it arrives"),
        QStringLiteral("FILE...|-"));
}

// Qt's messages are sentences ("Unknown option 'x'."); ours are lower-case phrases.
std::string phrase(const QString& message)
{
    std::string text = bytes(message);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    if (text.ends_with('.'))
        text.pop_back();
    return text;
}

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

bool readShard(const std::string& text, int& shard, int& shards)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos)
        return false;
    const long long k = parseWholeNumber(std::string_view(text).substr(0, slash), 1 << 30);
    const long long n = parseWholeNumber(std::string_view(text).substr(slash + 1), 1 << 30);
    if (k < 1 || n < 1 || k > n)
        return false;
    shard = static_cast<int>(k);
    shards = static_cast<int>(n);
    return true;
}
} // namespace

std::string CheckOptions::helpText()
{
    QCommandLineParser parser;
    describe(parser);
    // Qt's first line names the program as it was called; ours names it plainly.
    std::string text = bytes(parser.helpText());
    text.replace(0, text.find('\n'), kUsage);
    return text + '\n' + kStatuses;
}

std::string CheckOptions::versionText()
{
    return std::string("quorvane-check ") + kVersion;
}

std::optional<CheckOptions> CheckOptions::parse(const std::vector<std::string>& args, std::string& error)
{
    QCommandLineParser parser;
    describe(parser);
    QStringList arguments { QStringLiteral("quorvane-check") };
    for (const std::string& arg : args)
        arguments.append(latin1(arg));
    if (!parser.parse(arguments)) {
        error = phrase(parser.errorText());
        return std::nullopt;
    }
    CheckOptions options;
    options.help = parser.isSet(option("help"));
    options.version = parser.isSet(option("version"));
    if (options.help || options.version)
        return options;
    options.all = parser.isSet(option("all"));
    options.progress = parser.isSet(option("progress"));
    options.quiet = parser.isSet(option("quiet"));
    options.unique = parser.isSet(option("unique"));
    options.judgeCheck = !parser.isSet(option("no-judge-check"));
    options.insecure = parser.isSet(option("insecure"));
    for (const QString& value : parser.values(option("judge"))) {
        const std::string judge = bytes(value);
        if (JudgeHost::host(judge).empty()) {
            error = "--judge needs a URL with a scheme and a host, such as http://host:8080/, not \"" + judge + "\"";
            return std::nullopt;
        }
        if (!options.judge)
            options.judge = judge;
        options.judges.push_back(judge);
    }
    if (parser.isSet(option("protocols"))) {
        const std::string value = bytes(parser.value(option("protocols")));
        if (!parseProtocols(value, options.protocols)) {
            error = "--protocols takes a list of http, https, socks4, socks4a, socks5, socks5h or all, not \"" + value + "\"";
            return std::nullopt;
        }
    }
    if (parser.isSet(option("ca-file"))) {
        options.caFile = bytes(parser.value(option("ca-file")));
        if (options.caFile.empty()) {
            error = "--ca-file needs a file name";
            return std::nullopt;
        }
    }
    if (parser.isSet(option("out"))) {
        options.out = bytes(parser.value(option("out")));
        if (options.out->empty()) {
            error = "--out needs a file name";
            return std::nullopt;
        }
    }
    if (parser.isSet(option("format"))) {
        const std::string format = bytes(parser.value(option("format")));
        if (format == "tsv") {
            options.format = Format::Tsv;
        } else if (format == "csv") {
            options.format = Format::Csv;
        } else if (format == "json") {
            options.format = Format::Json;
        } else {
            error = "--format must be tsv, csv or json, not \"" + format + "\"";
            return std::nullopt;
        }
    }
    // How many sockets fit is up to the open-files limit, checked before the scan.
    for (const auto& [name, target, what] : { std::tuple { "sockets", &options.sockets, "whole number" },
             std::tuple { "timeout", &options.timeoutMs, "whole number of milliseconds" } }) {
        if (!parser.isSet(option(name)))
            continue;
        const std::string value = bytes(parser.value(option(name)));
        const long long n = parseWholeNumber(value, 2147483647);
        if (n < 1) {
            error = std::string("--") + name + " must be a positive " + what + ", not \"" + value + "\"";
            return std::nullopt;
        }
        *target = static_cast<int>(n);
    }
    if (parser.isSet(option("my-address"))) {
        options.myAddress = bytes(parser.value(option("my-address")));
        unsigned char address[16];
        if (::inet_pton(AF_INET, options.myAddress->c_str(), address) != 1
            && ::inet_pton(AF_INET6, options.myAddress->c_str(), address) != 1) {
            error = "--my-address must be an IPv4 or IPv6 address, not \"" + *options.myAddress + "\"";
            return std::nullopt;
        }
    }
    if (parser.isSet(option("shard"))) {
        const std::string value = bytes(parser.value(option("shard")));
        if (!readShard(value, options.shard, options.shards)) {
            error = "--shard must be K/N with 1 <= K <= N, not \"" + value + "\"";
            return std::nullopt;
        }
    }
    for (const QString& file : parser.positionalArguments()) {
        if (file.isEmpty()) {
            error = "empty file name";
            return std::nullopt;
        }
        options.files.push_back(bytes(file));
    }
    if (options.files.empty()) {
        error = "no proxy list given";
        return std::nullopt;
    }
    return options;
}

} // namespace qv
