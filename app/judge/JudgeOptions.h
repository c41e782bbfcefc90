#pragma once

#include <optional>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace qv {

// The command line of quorvane-judge.
struct JudgeOptions
{
    sockaddr_storage listen {}; // 0.0.0.0:8080 unless --listen says otherwise
    std::string path = "/";
    int maxConnections = 1000;
    int maxPerClient = 16; // connections from one address at once; 0: no limit
    int timeoutMs = 5000; // a connection that has not been answered and closed by then is cut
    std::optional<sockaddr_storage> tlsListen; // a second listener, speaking TLS
    std::string tlsCertFile;
    std::string tlsKeyFile;
    bool quiet = false;
    bool help = false; // --help: print the usage and serve nothing
    bool version = false; // --version: print the version and serve nothing

    static constexpr const char* kUsage
        = "usage: quorvane-judge [--listen ADDR:PORT] [--path PATH] [--max-connections N] [--max-per-client "
          "N]\n"
          "                      [--timeout MS] [--tls-listen ADDR:PORT --tls-cert FILE --tls-key FILE]\n"
          "                      [--quiet] [--help] [--version]";
    static constexpr const char* kHelp
        = "Serves a judge page for proxy checks.\n"
          "\n"
          "  --listen ADDR:PORT       where to listen (default 0.0.0.0:8080; [::]:8080 is IPv6 and IPv4)\n"
          "  --path PATH              the judge page's path (default /)\n"
          "  --max-connections N      connections open at once, per listener (default 1000)\n"
          "  --max-per-client N       connections from one address at once, per listener; further ones\n"
          "                           are closed at once (default 16; 0: no limit)\n"
          "  --timeout MS             each connection's time from accept to close (default 5000)\n"
          "  --tls-listen ADDR:PORT   also listen for HTTPS there (default: no TLS listener)\n"
          "  --tls-cert FILE          its certificate chain, PEM (needed with --tls-listen)\n"
          "  --tls-key FILE           its private key, PEM (needed with --tls-listen)\n"
          "  --quiet                  no log line per connection on standard error\n"
          "  -h, --help               print this help and exit\n"
          "  --version                print the version and exit\n"
          "\n"
          "Options take their value as --opt VALUE or --opt=VALUE.\n"
          "Exit status: 0 when stopped by SIGTERM or SIGINT (or after --help, --version), 1 when it cannot\n"
          "listen or read the TLS files, 2 for a bad command line.";

    // The arguments after the program's name. On a bad command line, returns nullopt with error set
    // to a one-line description.
    static std::optional<JudgeOptions> parse(const std::vector<std::string>& args, std::string& error);
    // "1.2.3.4:80" or "[::1]:80"; the address must be written as numbers.
    static std::optional<sockaddr_storage> parseListen(const std::string& text);
    static std::string addressText(const sockaddr* address, bool withPort);
};

} // namespace qv
