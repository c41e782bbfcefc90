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
    int timeoutMs = 5000; // a connection that has not been answered and closed by then is cut
    bool quiet = false;
    bool help = false; // --help: print the usage and serve nothing

    static constexpr const char* kUsage = "usage: quorvane-judge [--listen ADDR:PORT] [--path PATH] "
                                          "[--max-connections N] [--timeout MS] [--quiet] [--help]";

    // Options also take the form --name=value. On a bad command line, returns nullopt with error set
    // to a one-line description.
    static std::optional<JudgeOptions> parse(const std::vector<std::string>& args, std::string& error);
    // "1.2.3.4:80" or "[::1]:80"; the address must be written as numbers.
    static std::optional<sockaddr_storage> parseListen(const std::string& text);
    static std::string addressText(const sockaddr* address, bool withPort);
};

} // namespace qv
