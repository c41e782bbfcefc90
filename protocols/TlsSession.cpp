#include "protocols/TlsSession.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "protocols/Destination.h"
#include "protocols/FailureReason.h"

namespace qv {

TlsSession::TlsSession(const TlsContext& context, const std::string& host)
{
    ERR_clear_error();
    m_ssl = SSL_new(context.native());
    m_in = BIO_new(BIO_s_mem());
    m_out = BIO_new(BIO_s_mem());
    if (!m_ssl || !m_in || !m_out) {
        BIO_free(m_in);
        BIO_free(m_out);
        m_in = m_out = nullptr;
        m_state = State::Failed;
        m_reason = reason::kTlsError;
        m_detail = takeTlsError();
        return;
    }
    // An empty memory buffer reads as "try again", never as the end of the stream.
    BIO_set_mem_eof_return(m_in, -1);
    SSL_set_bio(m_ssl, m_in, m_out);
    SSL_set_connect_state(m_ssl);
    const bool address = Destination { host, 0 }.kind() != Destination::Kind::Name;
    if (!address)
        SSL_set_tlsext_host_name(m_ssl, host.c_str());
    if (!context.insecure()) {
        if (address)
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), host.c_str());
        else
            SSL_set1_host(m_ssl, host.c_str());
    }
}

TlsSession::~TlsSession()
{
    SSL_free(m_ssl);
}

std::string TlsSession::drain()
{
    std::string out;
    if (!m_out)
        return out;
    char* data = nullptr;
    const long size = BIO_get_mem_data(m_out, &data);
    if (size > 0) {
        out.assign(data, static_cast<std::size_t>(size));
        (void)BIO_reset(m_out);
    }
    return out;
}

void TlsSession::failFrom(int result)
{
    const int error = SSL_get_error(m_ssl, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
        return;
    if (error == SSL_ERROR_ZERO_RETURN) {
        m_state = State::Closed;
        return;
    }
    m_state = State::Failed;
    const long verify = SSL_get_verify_result(m_ssl);
    if (verify != X509_V_OK) {
        m_reason = reason::kCertificate;
        m_detail = X509_verify_cert_error_string(verify);
        ERR_clear_error();
    } else {
        m_reason = reason::kTlsError;
        m_detail = takeTlsError();
        if (m_detail.empty())
            m_detail = "the connection broke off during the TLS conversation";
    }
}

void TlsSession::drive()
{
    if (m_state == State::Handshaking) {
        const int result = SSL_do_handshake(m_ssl);
        if (result != 1) {
            failFrom(result);
            return;
        }
        m_state = State::Open;
        if (!m_pendingWrite.empty())
            encrypt(std::exchange(m_pendingWrite, {}));
    }
    char buffer[16 * 1024];
    while (m_state == State::Open) {
        const int got = SSL_read(m_ssl, buffer, sizeof buffer);
        if (got <= 0) {
            failFrom(got);
            return;
        }
        m_plain.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string TlsSession::start()
{
    if (m_state == State::Handshaking)
        drive();
    return drain();
}

std::string TlsSession::feed(std::string_view ciphertext)
{
    if (m_state != State::Handshaking && m_state != State::Open)
        return {};
    if (!ciphertext.empty())
        BIO_write(m_in, ciphertext.data(), static_cast<int>(ciphertext.size()));
    drive();
    return drain();
}

void TlsSession::endOfStream()
{
    if (m_state == State::Handshaking) {
        m_state = State::Failed;
        m_reason = reason::kTlsError;
        m_detail = "the connection ended during the TLS handshake";
    } else if (m_state == State::Open) {
        m_state = State::Closed;
    }
}

std::string TlsSession::write(std::string_view plaintext)
{
    if (m_state == State::Handshaking) {
        m_pendingWrite.append(plaintext);
        return {};
    }
    encrypt(plaintext);
    return drain();
}

void TlsSession::encrypt(std::string_view plaintext)
{
    if (m_state != State::Open || plaintext.empty())
        return;
    // A memory buffer takes everything: one call writes it all.
    const int wrote = SSL_write(m_ssl, plaintext.data(), static_cast<int>(plaintext.size()));
    if (wrote <= 0)
        failFrom(wrote);
}

} // namespace qv
