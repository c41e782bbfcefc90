#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

// The command line of quorvane-check (see kUsage). A FILE of "-" is standard input.
struct CheckOptions {
    enum class Format { Tsv, Csv, Json };

    std::optional<std::string> judge; // unset: the first entry of judgescripts.txt
    int sockets = 20;
    int timeoutMs = 8000;
    std::optional<std::string> out;
    Format format = Format::Tsv;
    bool all = false; // failed checks too, with the reason
    bool progress = false; // the progress line even when standard error is not a terminal
    bool quiet = false;
    bool judgeCheck = true; // fetch the judge directly before scanning
    bool help = false; // --help: print the usage and scan nothing
    std::vector<std::string> files;

    static constexpr const char* kUsage = "usage: quorvane-check [--judge URL] [--sockets N] [--timeout MS] "
                                          "[--format tsv|csv|json] [--all] [--out FILE] [--progress] [--quiet] "
                                          "[--no-judge-check] [--help] FILE...|-";

    // Options also take the form --name=value; "--" ends the options. On a bad command line,
    // returns nullopt with error set to a one-line description.
    static std::optional<CheckOptions> parse(const std::vector<std::string>& args, std::string& error);
};

} // namespace qv
