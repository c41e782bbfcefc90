#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "protocols/TlsContext.h"

using SSL = struct ssl_st;
using BIO = struct bio_st;

namespace qv {

// One TLS client conversation on two memory buffers: ciphertext from the peer goes in with feed(),
// ciphertext to send comes out of feed(), start() and write(), plaintext comes out of takePlaintext().
// The server name is sent (SNI) and verified against the certificate unless the context is insecure.
class TlsSession final {
public:
    enum class State { Handshaking, Open, Closed, Failed };

    // host: the name or address (IPv6 without brackets) the certificate must be for.
    TlsSession(const TlsContext& context, const std::string& host);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // The client's first flight.
    std::string start();
    // Takes ciphertext from the peer; returns ciphertext to send in answer.
    std::string feed(std::string_view ciphertext);
    // Encrypts plaintext (held until the handshake is done); returns ciphertext to send.
    std::string write(std::string_view plaintext);
    std::string takePlaintext() { return std::exchange(m_plain, {}); }
    // The connection below ended: during the handshake that is a failure ("tls error"); once open,
    // the session is closed, whether or not the peer said so first.
    void endOfStream();

    State state() const { return m_state; }
    // "certificate" or "tls error" when Failed; detail() says what OpenSSL said.
    std::string_view reason() const { return m_reason; }
    const std::string& detail() const { return m_detail; }

private:
    void drive();
    void encrypt(std::string_view plaintext);
    void failFrom(int result);
    std::string drain();

    SSL* m_ssl = nullptr;
    BIO* m_in = nullptr; // owned by m_ssl
    BIO* m_out = nullptr; // owned by m_ssl
    State m_state = State::Handshaking;
    std::string_view m_reason;
    std::string m_detail;
    std::string m_plain;
    std::string m_pendingWrite;
};

} // namespace qv
