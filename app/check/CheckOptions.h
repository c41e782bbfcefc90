#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

// The command line of quorvane-check:
//   quorvane-check [--judge URL] [--sockets N] [--timeout MS] [--out FILE] [--quiet] [--no-judge-check] FILE...
struct CheckOptions {
    std::optional<std::string> judge; // unset: the first entry of judgescripts.txt
    int sockets = 20;
    int timeoutMs = 8000;
    std::optional<std::string> out;
    bool quiet = false;
    bool judgeCheck = true; // fetch the judge directly before scanning
    std::vector<std::string> files;

    static constexpr const char* kUsage = "usage: quorvane-check [--judge URL] [--sockets 1-100] [--timeout MS] "
                                          "[--out FILE] [--quiet] [--no-judge-check] FILE...";

    // Options also take the form --name=value; "--" ends the options. On a bad command line,
    // returns nullopt with error set to a one-line description.
    static std::optional<CheckOptions> parse(const std::vector<std::string>& args, std::string& error);
};

} // namespace qv
