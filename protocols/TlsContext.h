#pragma once

#include <memory>
#include <string>

using SSL_CTX = struct ssl_ctx_st;

namespace qv {

// The TLS settings every session of a scan shares: the system's trusted certificates, optionally
// more from a file, or no verification at all.
class TlsContext final {
public:
    // nullptr and *error set when the extra CA file cannot be loaded or TLS cannot be set up.
    static std::unique_ptr<TlsContext> create(const std::string& caFile, bool insecure, std::string* error);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    SSL_CTX* native() const { return m_ctx; }
    bool insecure() const { return m_insecure; }

private:
    TlsContext(SSL_CTX* ctx, bool insecure);

    SSL_CTX* m_ctx;
    bool m_insecure;
};

// The text of OpenSSL's oldest queued error, emptying the queue ("" when none).
std::string takeTlsError();

} // namespace qv
