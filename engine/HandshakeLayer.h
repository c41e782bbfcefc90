#pragma once

#include <memory>

#include "engine/Layer.h"
#include "protocols/Handshake.h"

namespace qv {

// A proxy's tunnel conversation (CONNECT or SOCKS) in a check's stack: once the socket is
// connected it talks to the proxy, and only when the tunnel is open does it report connected
// upward and carry the payload both ways. A refusal fails the check with the unit's reason.
class HandshakeLayer final : public Layer {
public:
    explicit HandshakeLayer(std::unique_ptr<Handshake> unit);

    void onConnected() override;
    void onData(std::string& bytes) override;
    void onClosed() override;
    void reset() override;

private:
    std::unique_ptr<Handshake> m_unit;
    bool m_open = false;
};

} // namespace qv
