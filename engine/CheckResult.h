#pragma once

#include <cstdint>
#include <string_view>

#include "protocols/Protocol.h"

namespace qv {

// How a check ended: found, or why not.
enum class CheckResult : std::uint8_t {
    Found,
    Refused, // the connection was refused
    Reset, // reset before any byte of the answer
    TimedOut, // no passing answer within the timeout
    NoPassMarker, // the whole answer came, without the pass marker
    Closed, // the proxy closed the connection before any byte of the answer
    UnusableEntry, // no usable address and port in the entry
    NameNotFound, // the host name could not be looked up
    Unreachable, // no route to the network or host
    OtherError, // any other socket error before the answer
    ProxyFailed, // the proxy's conversation failed (CheckEnd::reason says how: "socks refused", ...)
};

// Short lower-case words for a result: "found", "refused", "timed out", ...
const char* checkResultName(CheckResult result);

// One entry's check, as it ended. The texts live until the handler that gets it returns.
struct CheckEnd {
    CheckResult result = CheckResult::Found;
    std::string_view entry; // as it was in the pending list
    std::string_view ip; // the whole entry for an unusable one
    std::string_view portText; // the port in digits, empty for an unusable entry
    int port = 0; // 0 for an unusable entry
    std::string_view level; // found only: empty or one printable character
    std::string_view answer; // found only: the whole answer, for what else it shows
    // A failure's own words: the system's description of a socket error, or a protocol layer's
    // reason ("socks refused"); empty for the other results.
    std::string_view reason;
    std::int64_t ms = 0; // from the hand-out to the verdict
    Protocol protocol = Protocol::Http;
    // Found only: the address the judge page shows after "REMOTE_ADDR = ", else empty.
    std::string_view exit;
    // The entry as a list line, scheme://[user:password@]ip:port; empty for a plain HTTP entry,
    // which is written ip:port as always, and for an unusable one.
    std::string_view proxy;
    bool passed() const { return result == CheckResult::Found; }
    // Why it failed, in the words --all writes: a protocol's own word, else the result's name.
    std::string_view failure() const
    {
        return result == CheckResult::ProxyFailed && !reason.empty() ? reason : std::string_view(checkResultName(result));
    }
};

} // namespace qv
