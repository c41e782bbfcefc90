#pragma once

#include <string>
#include <vector>

namespace qv::bench {

// The check cycle done as directly as the machine allows: one thread, epoll, non-blocking
// sockets; connect, send the request, read to the close, look for "Comment", next entry.
class ReferenceChecker final {
public:
    struct Target {
        std::string ip;
        int port;
    };
    struct Result {
        int checked = 0;
        int found = 0;
    };

    static Result run(const std::vector<Target>& targets, int sockets, const std::string& request);
};

} // namespace qv::bench
