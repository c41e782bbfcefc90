#pragma once

#include <string>

namespace qv {

// What the scan keeps about the proxy a socket works on. Kept from one check and one scan to the
// next until the socket takes its next entry.
struct SocketRecord {
    std::string proxyIp;
    std::string proxyPort; // the port number in digits, empty for an unusable entry
    std::string reply; // the answer gathered so far, at most ScanEngine::kAnswerCap bytes
    std::string level;
};

} // namespace qv
