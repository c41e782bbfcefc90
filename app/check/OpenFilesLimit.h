#pragma once

namespace qv {

// The process's limit on open files, which bounds quorvane-check's sockets.
class OpenFilesLimit final {
public:
    // Raises the soft limit to the hard limit; returns the soft limit in force afterwards.
    static long raise();
    // How many scan sockets fit under limit beside the descriptors open now and those the event
    // loop, its look-ups and the judge check need.
    static long socketsThatFit(long limit);

    static constexpr long kReserve = 16;
};

} // namespace qv
