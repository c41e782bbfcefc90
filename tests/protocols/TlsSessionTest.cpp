#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <openssl/ssl.h>

#include "protocols/TlsSession.h"
#include "support/RealServers.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using State = TlsSession::State;

// A TLS server on memory buffers, answering one request with a fixed text and closing.
class MemoryServer {
public:
    // The certificate and key "openssl req" made as <name>.pem and <name>.key.
    explicit MemoryServer(const QString& name)
    {
        m_ctx = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_file(m_ctx, (name + QStringLiteral(".pem")).toLocal8Bit().constData(), SSL_FILETYPE_PEM);
        SSL_CTX_use_PrivateKey_file(m_ctx, (name + QStringLiteral(".key")).toLocal8Bit().constData(), SSL_FILETYPE_PEM);
        m_ssl = SSL_new(m_ctx);
        m_in = BIO_new(BIO_s_mem());
        m_out = BIO_new(BIO_s_mem());
        BIO_set_mem_eof_return(m_in, -1);
        SSL_set_bio(m_ssl, m_in, m_out);
        SSL_set_accept_state(m_ssl);
    }
    ~MemoryServer()
    {
        SSL_free(m_ssl);
        SSL_CTX_free(m_ctx);
    }

    // Takes the client's bytes; returns the server's. Once a whole request line has come, answers
    // and closes.
    std::string feed(std::string_view bytes)
    {
        BIO_write(m_in, bytes.data(), static_cast<int>(bytes.size()));
        if (SSL_do_handshake(m_ssl) == 1) {
            char buffer[4096];
            int got;
            while ((got = SSL_read(m_ssl, buffer, sizeof buffer)) > 0)
                request.append(buffer, static_cast<std::size_t>(got));
            if (!m_answered && request.find("\r\n\r\n") != std::string::npos) {
                m_answered = true;
                SSL_write(m_ssl, kAnswer.data(), static_cast<int>(kAnswer.size()));
                SSL_shutdown(m_ssl);
            }
        }
        char* data = nullptr;
        const long size = BIO_get_mem_data(m_out, &data);
        std::string out(data, static_cast<std::size_t>(size));
        (void)BIO_reset(m_out);
        return out;
    }
    const char* serverName() const { return SSL_get_servername(m_ssl, TLSEXT_NAMETYPE_host_name); }

    static constexpr std::string_view kAnswer = "HTTP/1.0 200 OK\r\n\r\nComment color:blue\">1";
    std::string request;

private:
    SSL_CTX* m_ctx;
    SSL* m_ssl;
    BIO* m_in;
    BIO* m_out;
    bool m_answered = false;
};

// The judge's certificate names localhost and 127.0.0.1; an intercepting proxy's has the same
// names from another authority.
class TlsSessionTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dirs = new QTemporaryDir[2];
        s_made = test::makeCertificates(s_dirs[0]) && test::makeCertificates(s_dirs[1]);
    }
    static void TearDownTestSuite() { delete[] s_dirs; }
    static inline QTemporaryDir* s_dirs = nullptr;
    static inline bool s_made = false;
};

TEST_F(TlsSessionTest, VerifiesTheJudgeAndCarriesTheExchange)
{
    ASSERT_TRUE(s_made) << "openssl could not make the test certificates";
    const std::string caFile = s_dirs[0].filePath(QStringLiteral("ca.pem")).toStdString();
    const QString judge = s_dirs[0].filePath(QStringLiteral("judge")), intercepted = s_dirs[1].filePath(QStringLiteral("judge"));
    // Case, name asked for, certificate served, test authority trusted, insecure, outcome.
    const std::tuple<const char*, std::string, QString, bool, bool, State, std::string> rows[] = {
        { "by name", "localhost", judge, true, false, State::Closed, "" },
        { "by address", "127.0.0.1", judge, true, false, State::Closed, "" },
        { "another name", "other.test", judge, true, false, State::Failed, "certificate" },
        { "another address", "127.0.0.2", judge, true, false, State::Failed, "certificate" },
        { "intercepting proxy", "localhost", intercepted, true, false, State::Failed, "certificate" },
        { "system store only", "localhost", judge, false, false, State::Failed, "certificate" },
        { "insecure", "other.test", intercepted, false, true, State::Closed, "" },
    };
    const std::string request = "GET / HTTP/1.0\r\nHost: localhost\r\n\r\n";
    for (const auto& [name, host, served, trustTestCa, insecure, state, reason] : rows) {
        std::string error;
        const auto context = TlsContext::create(trustTestCa ? caFile : std::string(), insecure, &error);
        ASSERT_TRUE(context) << error;
        for (const std::size_t piece : { std::size_t(100000), std::size_t(1) }) {
            TlsSession client(*context, host);
            MemoryServer server(served);
            // The request is written before the handshake is done and sent once it is. Bytes go both
            // ways until neither side has anything to say, the server's in pieces.
            for (std::string toServer = client.start() + client.write(request); !toServer.empty();) {
                const std::string toClient = server.feed(std::exchange(toServer, {}));
                for (std::size_t at = 0; at < toClient.size(); at += piece)
                    toServer += client.feed(std::string_view(toClient).substr(at, piece));
            }
            EXPECT_EQ(client.state(), state) << name << " pieces of " << piece;
            EXPECT_EQ(client.reason(), reason) << name << " " << client.detail();
            const bool opened = state == State::Closed;
            EXPECT_EQ(client.takePlaintext(), opened ? std::string(MemoryServer::kAnswer) : "") << name;
            EXPECT_EQ(server.request, opened ? request : "") << name;
            EXPECT_STREQ(
                server.serverName(), host == "localhost" || host == "other.test" ? host.c_str() : nullptr);
        }
    }
}

TEST_F(TlsSessionTest, ForeignRepliesAndUnreadableCaFiles)
{
    std::string error;
    const auto context = TlsContext::create({}, false, &error);
    ASSERT_TRUE(context) << error;
    for (const std::string& reply : { std::string("HTTP/1.1 400 Bad Request\r\n\r\n"), std::string("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x50", 10),
             std::string("\x15\x03\x03\x00\x02\x02\x28", 7) }) {
        TlsSession client(*context, "judge.test");
        EXPECT_FALSE(client.start().empty());
        EXPECT_EQ(client.feed(reply), "");
        EXPECT_EQ(client.state(), State::Failed);
        EXPECT_EQ(client.reason(), "tls error") << client.detail();
        EXPECT_FALSE(client.detail().empty());
    }

    // A reply cut short: the end of the stream decides.
    TlsSession cut(*context, "judge.test");
    cut.start();
    EXPECT_EQ(cut.feed("\x16\x03"), "");
    EXPECT_EQ(cut.state(), State::Handshaking);
    cut.endOfStream();
    EXPECT_EQ(cut.state(), State::Failed);
    EXPECT_EQ(cut.reason(), "tls error");

    QTemporaryDir dir;
    const std::string junk = test::writeIn(dir, "junk.pem", "not a certificate");
    for (const std::string& file : { dir.filePath(QStringLiteral("missing.pem")).toStdString(), junk }) {
        EXPECT_FALSE(TlsContext::create(file, false, &error));
        EXPECT_NE(error.find(file), std::string::npos) << error;
    }
}

} // namespace
} // namespace qv
