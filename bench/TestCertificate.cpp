#include "bench/TestCertificate.h"

#include <cstdio>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace qv::bench {

namespace {
X509* makeCertificate(EVP_PKEY* key, const char* name, X509* issuer, EVP_PKEY* issuerKey, const char* extensions[][2])
{
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), issuer ? 2 : 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* subject = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(name), -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : subject);
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer ? issuer : cert, cert, nullptr, nullptr, 0);
    for (int i = 0; extensions[i][0]; ++i) {
        X509_EXTENSION* extension = X509V3_EXT_conf(nullptr, &ctx, extensions[i][0], extensions[i][1]);
        X509_add_ext(cert, extension, -1);
        X509_EXTENSION_free(extension);
    }
    X509_sign(cert, issuerKey, EVP_sha256());
    return cert;
}
} // namespace

SSL_CTX* makeTestServerContext(const std::string& host, const std::string& caPath)
{
    EVP_PKEY* caKey = EVP_EC_gen("P-256");
    EVP_PKEY* key = EVP_EC_gen("P-256");
    const char* caExtensions[][2] = { { "basicConstraints", "critical,CA:TRUE" }, { "keyUsage", "critical,keyCertSign" },
        { "subjectKeyIdentifier", "hash" }, { nullptr, nullptr } };
    const std::string altName = "DNS:" + host;
    const char* serverExtensions[][2] = { { "basicConstraints", "CA:FALSE" }, { "subjectAltName", altName.c_str() },
        { "extendedKeyUsage", "serverAuth" }, { "authorityKeyIdentifier", "keyid" }, { nullptr, nullptr } };
    X509* ca = caKey ? makeCertificate(caKey, "qv_bench test CA", nullptr, caKey, caExtensions) : nullptr;
    X509* cert = key && ca ? makeCertificate(key, host.c_str(), ca, caKey, serverExtensions) : nullptr;

    SSL_CTX* ctx = cert ? SSL_CTX_new(TLS_server_method()) : nullptr;
    std::FILE* file = ctx ? std::fopen(caPath.c_str(), "wb") : nullptr;
    bool ok = file && PEM_write_X509(file, ca) == 1;
    if (file)
        ok = std::fclose(file) == 0 && ok;
    // The chain the server sends is its certificate alone, as most servers whose CA is a root do.
    ok = ok && SSL_CTX_use_certificate(ctx, cert) == 1 && SSL_CTX_use_PrivateKey(ctx, key) == 1;
    if (ok) {
        // No tickets: the checkers keep no sessions, and the farm's work per handshake stays small.
        SSL_CTX_set_num_tickets(ctx, 0);
        SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
    } else {
        std::fprintf(stderr, "qv_bench: the test certificate cannot be made (%s)\n",
            ERR_error_string(ERR_get_error(), nullptr));
        SSL_CTX_free(ctx);
        ctx = nullptr;
    }
    X509_free(cert);
    X509_free(ca);
    EVP_PKEY_free(key);
    EVP_PKEY_free(caKey);
    return ctx;
}

} // namespace qv::bench
