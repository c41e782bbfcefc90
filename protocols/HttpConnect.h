#pragma once

#include <optional>

#include "protocols/Credentials.h"
#include "protocols/Destination.h"
#include "protocols/Handshake.h"

namespace qv {

// "CONNECT host:port HTTP/1.1" to an HTTP proxy: a 2xx answer opens the tunnel, a 407 (or a 401
// to credentials) is an authentication failure, any other status "connect refused". The answer's header block is
// read up to its blank line and at most kHeaderCap bytes.
class HttpConnect final : public Handshake {
public:
    static constexpr std::size_t kHeaderCap = 16 * 1024;

    HttpConnect(Destination destination, std::optional<Credentials> credentials);

    std::string start() override;
    void restart() override;

private:
    std::string step() override;

    Destination m_destination;
    std::optional<Credentials> m_credentials;
    std::size_t m_lineStart = 0; // where the header line not yet ended begins
};

} // namespace qv
