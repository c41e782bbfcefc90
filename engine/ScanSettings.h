#pragma once

#include <string>

namespace qv {

// What a scan is started with.
struct ScanSettings {
    int sockets = 20; // checks at once; 0 leaves the scan waiting until Stop
    int timeoutMs = 8000; // each step's wait: from the connect, and again from the request
    std::string judge; // the judge URL the request names
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
