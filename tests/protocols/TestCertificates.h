#pragma once

#include <memory>
#include <string>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

// Keys and certificates made in memory for TLS tests: a certificate authority and the certificates
// it signs, each for the names and addresses given.
namespace qv::test {

struct Certificate {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key { nullptr, EVP_PKEY_free };
    std::unique_ptr<X509, decltype(&X509_free)> cert { nullptr, X509_free };

    std::string pem() const
    {
        BIO* bio = BIO_new(BIO_s_mem());
        PEM_write_bio_X509(bio, cert.get());
        char* data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        std::string text(data, static_cast<std::size_t>(size));
        BIO_free(bio);
        return text;
    }
};

inline void addExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

// Self-signed when issuer is null; altNames like "DNS:judge.test,IP:127.0.0.1".
inline Certificate makeCertificate(const char* commonName, const Certificate* issuer, const char* altNames)
{
    static long serial = 1;
    Certificate made;
    made.key.reset(EVP_EC_gen("P-256"));
    made.cert.reset(X509_new());
    X509* cert = made.cert.get();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), ++serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, made.key.get());
    X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_ASC,
        reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509* issuerCert = issuer ? issuer->cert.get() : cert;
    X509_set_issuer_name(cert, X509_get_subject_name(issuerCert));
    if (issuer) {
        addExtension(cert, issuerCert, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(cert, issuerCert, NID_subject_alt_name, altNames);
    } else {
        addExtension(cert, issuerCert, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(cert, issuerCert, NID_key_usage, "critical,keyCertSign,cRLSign");
    }
    X509_sign(cert, issuer ? issuer->key.get() : made.key.get(), EVP_sha256());
    return made;
}

} // namespace qv::test
