#pragma once

#include <string>

using SSL_CTX = struct ssl_ctx_st;

namespace qv::bench {

// A server context for a TLS judge called `host`: an ECDSA P-256 CA and a server certificate it
// signed, made afresh in memory. The CA's certificate is written to caPath (PEM) for the checkers to
// trust. Null (and a line on standard error) when OpenSSL fails.
SSL_CTX* makeTestServerContext(const std::string& host, const std::string& caPath);

} // namespace qv::bench
