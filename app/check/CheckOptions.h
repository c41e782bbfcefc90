#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocols/Protocol.h"

namespace qv {

// The command line of quorvane-check (see kUsage). A FILE of "-" is standard input.
struct CheckOptions {
    enum class Format { Tsv, Csv, Json };

    std::optional<std::string> judge; // the first --judge; unset: the judge list's entries
    std::vector<std::string> judges; // every --judge, in order: each protocol takes the first that fits
    std::vector<Protocol> protocols { Protocol::Http }; // the checks of an entry without a scheme
    std::string caFile; // more trusted certificates for https judges
    bool insecure = false; // https judges' certificates are not verified
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
                                          "[--no-judge-check] [--protocols LIST] [--ca-file FILE] [--insecure] "
                                          "[--help] FILE...|-";

    // Options also take the form --name=value; "--" ends the options. On a bad command line,
    // returns nullopt with error set to a one-line description.
    static std::optional<CheckOptions> parse(const std::vector<std::string>& args, std::string& error);
};

} // namespace qv
