#pragma once

#include <string>

namespace qv {

// A proxy's user name and password, as given (already percent-decoded), any bytes.
struct Credentials {
    std::string user;
    std::string password;

    bool operator==(const Credentials&) const = default;
};

} // namespace qv
