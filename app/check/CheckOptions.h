#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocols/Protocol.h"

namespace qv {

// The command line of quorvane-check (see helpText()). A FILE of "-" is standard input.
struct CheckOptions {
    enum class Format { Tsv, Csv, Json };

    std::optional<std::string> judge; // the first --judge; unset: the first entry of judgescripts.txt
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
    bool unique = false; // each distinct entry once
    int shard = 1; // check only the entries of shard `shard` of `shards`
    int shards = 1;
    std::optional<std::string> myAddress; // unset: the address the judge check saw
    bool help = false; // --help: print helpText() and scan nothing
    bool version = false; // --version: print versionText() and scan nothing
    std::vector<std::string> files;

    static constexpr const char* kUsage = "usage: quorvane-check [OPTION]... FILE...|-";

    // "--name value" and "--name=value" alike; "--" ends the options. Arguments are bytes, taken
    // as Latin-1 so that any file name comes back unchanged. On a bad command line, returns nullopt
    // with error set to a one-line description.
    static std::optional<CheckOptions> parse(const std::vector<std::string>& args, std::string& error);

    // Every option with its default, and the exit statuses.
    static std::string helpText();
    static std::string versionText();
};

} // namespace qv
