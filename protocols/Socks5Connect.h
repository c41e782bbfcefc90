#pragma once

#include <optional>

#include "protocols/Credentials.h"
#include "protocols/Destination.h"
#include "protocols/Handshake.h"

namespace qv {

// A SOCKS5 CONNECT: the greeting offers "no authentication" and, with credentials, user name and
// password; then the request names the destination by address or, for a name, lets the proxy
// resolve it. Reply codes map to "socks refused" (the proxy would not or could not reach the
// destination) and "socks error" (anything else); a refused password is "auth refused".
class Socks5Connect final : public Handshake {
public:
    Socks5Connect(Destination destination, std::optional<Credentials> credentials);

    // Fails at once ("socks error") when a name or a credential is longer than 255 bytes.
    std::string start() override;
    void restart() override;

private:
    enum class Phase { Method, Password, Reply };

    std::string step() override;
    std::string makeRequest() const;

    Destination m_destination;
    std::optional<Credentials> m_credentials;
    std::string m_request; // the same for every tunnel the unit opens
    Phase m_phase = Phase::Method;
};

} // namespace qv
