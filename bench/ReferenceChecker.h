#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::bench {

// The check cycle done as directly as the machine allows: one thread, epoll, non-blocking
// sockets; connect, the proxy's handshake if any, send the request, read to the close, look for
// "Comment", next entry.
class ReferenceChecker final {
public:
    enum class Protocol {
        Http, // the request to the proxy
        Https, // CONNECT, then TLS to the judge (verified as quorvane-check does) and the request in it
        Socks5, // greeting without authentication, connect by address, the request
    };
    struct Target {
        std::uint32_t address; // IPv4, network byte order
        std::uint16_t port;
    };
    struct Conversation {
        Protocol protocol = Protocol::Http;
        std::string request; // what is sent once the way to the judge is open
        std::string connect; // Https: the CONNECT request
        std::string tlsHost; // Https: the judge's name, for SNI and verification
        std::string caFile; // Https: trusted beside the system's certificates
    };
    struct Result {
        int checked = 0;
        int found = 0;
    };

    static Result run(const std::vector<Target>& targets, int sockets, const Conversation& conversation);
    // The "a.b.c.d:port" lines of a list file, with or without a scheme; empty when it cannot be read.
    static std::vector<Target> load(const std::string& path);
};

} // namespace qv::bench
