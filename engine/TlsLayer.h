#pragma once

#include <memory>
#include <string>

#include "engine/Layer.h"
#include "protocols/TlsSession.h"

namespace qv {

// TLS with the judge in a check's stack: ciphertext below, plaintext above. Connected goes up
// once the handshake is done and the judge's certificate verified; a failed handshake fails the
// check with "certificate" or "tls error".
class TlsLayer final : public Layer {
public:
    // host: the judge's name or address, sent as SNI and verified.
    TlsLayer(std::shared_ptr<const TlsContext> context, std::string host);

    void onConnected() override;
    void onData(std::string& bytes) override;
    void onClosed() override;
    void send(std::string_view bytes) override;

private:
    void afterInput();

    std::shared_ptr<const TlsContext> m_context;
    std::string m_host;
    std::unique_ptr<TlsSession> m_session;
    bool m_up = false;
    bool m_ended = false; // the end went up; a later close of the socket is not passed on
};

} // namespace qv
