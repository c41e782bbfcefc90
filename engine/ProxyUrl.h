#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocols/Credentials.h"
#include "protocols/Protocol.h"

namespace qv {

// A proxy list line read as [scheme://][user:password@]host:port. A line without a scheme is read
// by ProxyEntry's rule and is an HTTP entry; one that rule cannot use may still be a bracketed
// IPv6 address, [2001:db8::1]:8080. With a scheme, the host is a name, an IPv4 address or an IPv6
// address in brackets, the port a whole number 1-65535 (an ending "/" is allowed), and user and
// password are percent-decoded.
struct ProxyUrl {
    Protocol protocol = Protocol::Http;
    std::string host; // IPv6 without brackets
    int port = 0; // 1..65535 when usable()
    std::optional<Credentials> credentials;

    bool usable() const { return port > 0; }
    bool operator==(const ProxyUrl&) const = default;

    static ProxyUrl parse(std::string_view line);
    // Whether parse reads the line as one with a scheme (a known one or not).
    static bool hasScheme(std::string_view line);

    // What a find is written as: a plain HTTP entry as host:port ([v6]:port), as lists always
    // held it; any other as scheme://[user:password@]host:port, user and password percent-encoded.
    std::string write() const;
    // Always with the scheme, http:// included.
    std::string writeWithScheme() const;
};

} // namespace qv
