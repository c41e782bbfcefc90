#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::bench {

// The check cycle done as directly as the machine allows: one thread, epoll, non-blocking
// sockets; connect, send the request, read to the close, look for "Comment", next entry.
class ReferenceChecker final {
public:
    struct Target {
        std::uint32_t address; // IPv4, network byte order
        std::uint16_t port;
    };
    struct Result {
        int checked = 0;
        int found = 0;
    };

    static Result run(const std::vector<Target>& targets, int sockets, const std::string& request);
    // The "a.b.c.d:port" lines of a list file; empty when it cannot be read.
    static std::vector<Target> load(const std::string& path);
};

} // namespace qv::bench
