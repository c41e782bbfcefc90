#include "protocols/TlsContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace qv {

std::string takeTlsError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return {};
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

TlsContext::TlsContext(SSL_CTX* ctx, bool insecure)
    : m_ctx(ctx)
    , m_insecure(insecure)
{
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(m_ctx);
}

std::unique_ptr<TlsContext> TlsContext::create(const std::string& caFile, bool insecure, std::string* error)
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) {
        *error = "TLS cannot be set up: " + takeTlsError();
        return nullptr;
    }
    std::unique_ptr<TlsContext> context(new TlsContext(ctx, insecure));
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx, insecure ? SSL_VERIFY_NONE : SSL_VERIFY_PEER, nullptr);
    // A judge answers one request per connection: nothing to gain from session tickets.
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
    if (!insecure && SSL_CTX_set_default_verify_paths(ctx) != 1) {
        *error = "the system's trusted certificates cannot be read: " + takeTlsError();
        return nullptr;
    }
    if (!caFile.empty() && SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr) != 1) {
        *error = caFile + ": no certificates could be read (" + takeTlsError() + ")";
        return nullptr;
    }
    return context;
}

} // namespace qv
