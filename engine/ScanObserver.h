#pragma once

#include <cstddef>
#include <string_view>

#include "engine/CheckResult.h"

namespace qv {

// What a scan tells its front end, as it happens, on the event loop.
class ScanObserver {
public:
    struct ScanEnd {
        // The check that ended last failed on a socket error before any answer (a refused or reset
        // connection, a failed look-up), rather than being judged or timing out.
        bool lastEndedOnError = false;
    };

    virtual ~ScanObserver() = default;

    // An entry was taken from the pending list; pending entries are left.
    virtual void entryTaken(std::size_t pending) = 0;
    // A check's connection to its proxy is up.
    virtual void checkConnected(std::string_view ip, std::string_view portText) = 0;
    // Every entry taken ends here once, judged or not.
    virtual void checkEnded(const CheckEnd& end) = 0;
    // Start handed out its first entries (some may have ended already).
    virtual void scanStarted() = 0;
    // The pending list is empty and no check is in flight; Stop ends a scan without this.
    virtual void scanEnded(const ScanEnd& end) = 0;
};

} // namespace qv
