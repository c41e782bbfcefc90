#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocols/Destination.h"

namespace qv {

// An http:// or https:// judge URL taken apart for a tunnel: where to connect through the proxy,
// the name to verify, and the request target.
class JudgeUrl final {
public:
    bool secure = false; // https
    Destination destination; // host without brackets, port (80 or 443 when not given)
    std::string target; // path and query, "/" when the URL has none; no fragment

    // nullopt for another scheme, user information, an empty or malformed host, or a bad port.
    static std::optional<JudgeUrl> parse(std::string_view url);

    // The Host header's value: the host (an IPv6 address in brackets), with ":port" unless default.
    std::string hostHeader() const;
};

} // namespace qv
