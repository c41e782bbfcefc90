#pragma once

#include <memory>
#include <string>
#include <vector>

#include "protocols/Protocol.h"
#include "protocols/TlsContext.h"

namespace qv {

// What a scan is started with.
struct ScanSettings {
    int sockets = 20; // checks at once; 0 leaves the scan waiting until Stop
    int timeoutMs = 8000; // each step's wait: from the connect, and again from the request
    std::string judge; // the judge URL the request names; also the judge of SOCKS checks
    // The checks made of an entry without a scheme, each a check of its own; an entry with a
    // scheme is checked only with its own protocol.
    std::vector<Protocol> protocols { Protocol::Http };
    // The judge of https checks (an https:// URL); empty: judge, when it is one.
    std::string httpsJudge {};
    // The address of the judge's host, sent to socks4 and socks5 proxies when the judge is named
    // by a host name; empty: they are sent the name, as socks4a and socks5h are.
    std::string judgeAddress {};
    // How TLS with a judge verifies it; null: against the system's certificates.
    std::shared_ptr<const TlsContext> tls {};
};

// Settings a front end may change while its scan runs: asked at every connect (the timeout) and
// every request (the judge and the timeout), so a change applies from the next one.
class LiveScanSettings {
public:
    virtual ~LiveScanSettings() = default;
    virtual int timeoutMs() = 0;
    virtual const std::string& judge() = 0;
};

} // namespace qv
