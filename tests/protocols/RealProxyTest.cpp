// The protocol units against real proxies from Debian's packages on loopback, driven over plain
// blocking sockets: each protocol's tunnel to a judge, and each way a real proxy says no.
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "protocols/HttpConnect.h"
#include "protocols/HttpMessage.h"
#include "protocols/JudgeUrl.h"
#include "protocols/Socks4Connect.h"
#include "protocols/Socks5Connect.h"
#include "protocols/TlsSession.h"
#include "support/RealServers.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

struct Exchange {
    std::string reason; // empty when the answer came to its end
    std::string answer;
};

bool sendAll(int fd, const std::string& bytes)
{
    return bytes.empty() || send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

// The whole conversation on one connection to the proxy: the handshake when there is one, TLS with
// host when there is a context, then the request; the answer is read to its end (at most 1 MiB).
// Every receive gives up after 20 s. A proxy that closes during the handshake gives "closed".
Exchange converse(quint16 proxy, Handshake* handshake, const TlsContext* tls, const std::string& host, const std::string& request)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval bound { 20, 0 };
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(proxy);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Exchange result;
    char buffer[16384];
    auto receive = [&] { return recv(fd, buffer, sizeof buffer, 0); };
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return { "refused", {} };
    }
    std::string early;
    if (handshake) {
        sendAll(fd, handshake->start());
        while (handshake->state() == Handshake::State::Working) {
            const ssize_t n = receive();
            if (n <= 0) {
                close(fd);
                return { "closed", {} };
            }
            sendAll(fd, handshake->feed(std::string_view(buffer, static_cast<std::size_t>(n))));
        }
        if (handshake->state() == Handshake::State::Failed) {
            close(fd);
            return { std::string(handshake->reason()), {} };
        }
        early = handshake->takeTunnelBytes();
    }
    if (tls) {
        TlsSession session(*tls, host);
        sendAll(fd, session.start() + session.write(request) + session.feed(early));
        while (session.state() == TlsSession::State::Handshaking || session.state() == TlsSession::State::Open) {
            const ssize_t n = receive();
            if (n <= 0)
                session.endOfStream();
            else
                sendAll(fd, session.feed(std::string_view(buffer, static_cast<std::size_t>(n))));
            result.answer += session.takePlaintext();
        }
        result.reason = session.reason();
    } else {
        sendAll(fd, request);
        result.answer = early;
        for (ssize_t n; result.answer.size() < (1u << 20) && (n = receive()) > 0;)
            result.answer.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return result;
}

enum class Server { Tinyproxy, TinyproxyAuth, TinyproxyPort443, Squid, SquidNoConnect, Danted, Microsocks, MicrosocksAuth };
enum class Unit { PlainHttp, Connect, Socks4, Socks5 };
enum class Judge { Http, Https, HttpsWrongName };

struct Row {
    const char* name;
    Server server;
    Unit unit;
    Judge judge;
    std::string destinationHost = "127.0.0.1"; // a name lets the proxy resolve it
    std::optional<Credentials> credentials = std::nullopt;
    std::string reason = ""; // "" : the judge's page came through
};

const Credentials kBob { "bob", "s3cret" };
const Credentials kBobColon { "bob", "s3cret:@" }; // tinyproxy's configuration cannot hold it
const Credentials kWrong { "bob", "wrong" };

class RealProxy : public testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        const quint16 port = test::freePort();
        s_judge = new test::RealServer(QStringLiteral(QV_JUDGE_BINARY),
            { QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--quiet") }, port);
        if (test::makeCertificates(*s_dir)) {
            test::writeIn(*s_dir, "judge.html", "<pre>REMOTE_ADDR = 127.0.0.1</pre><p>Comment: <b style=\"color:blue\">1</b></p>");
            s_tlsJudge = test::startTlsFileServer(*s_dir).release();
        }
    }
    static void TearDownTestSuite()
    {
        delete s_tlsJudge;
        delete s_judge;
        delete s_dir;
        s_tlsJudge = nullptr;
    }

    std::unique_ptr<test::RealServer> startProxy(Server server, const QTemporaryDir& dir) const
    {
        switch (server) {
        case Server::Tinyproxy:
            return test::startTinyproxy(dir);
        case Server::TinyproxyAuth:
            return test::startTinyproxy(dir, "BasicAuth bob s3cret\n");
        case Server::TinyproxyPort443:
            return test::startTinyproxy(dir, "ConnectPort 443\n");
        case Server::Squid:
            return test::startSquid(dir);
        case Server::SquidNoConnect:
            return test::startSquid(dir, "http_access deny CONNECT\n");
        case Server::Danted:
            // Refuses the port of the judge's page on 127.0.0.2.
            return test::startDanted(dir, "socks block { from: 0.0.0.0/0 to: 127.0.0.2/32 }\n");
        case Server::Microsocks:
            return test::startMicrosocks();
        case Server::MicrosocksAuth:
            return test::startMicrosocks(kBobColon.user, kBobColon.password);
        }
        return nullptr;
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline test::RealServer* s_judge = nullptr;
    static inline test::RealServer* s_tlsJudge = nullptr;
};

TEST_P(RealProxy, TunnelsToTheJudgeOrSaysWhyNot)
{
    const Row& row = GetParam();
    ASSERT_TRUE(s_judge->running()) << s_judge->error();
    const bool secure = row.judge != Judge::Http;
    ASSERT_TRUE(!secure || (s_tlsJudge && s_tlsJudge->running())) << "no TLS judge: " << (s_tlsJudge ? s_tlsJudge->error() : "no certificates");
    QTemporaryDir dir;
    const auto proxy = startProxy(row.server, dir);
    if (!proxy->installed())
        GTEST_SKIP() << proxy->error();
    ASSERT_TRUE(proxy->running()) << proxy->error();

    const quint16 judgePort = secure ? s_tlsJudge->port() : s_judge->port();
    const std::string url = std::string(secure ? "https" : "http") + "://localhost:" + std::to_string(judgePort) + (secure ? "/judge.html" : "/");
    const JudgeUrl judge = *JudgeUrl::parse(url);
    const Destination destination { row.destinationHost, judgePort };
    std::unique_ptr<Handshake> unit;
    switch (row.unit) {
    case Unit::PlainHttp:
        break;
    case Unit::Connect:
        unit = std::make_unique<HttpConnect>(destination, row.credentials);
        break;
    case Unit::Socks4:
        unit = std::make_unique<Socks4Connect>(destination, row.credentials ? row.credentials->user : std::string());
        break;
    case Unit::Socks5:
        unit = std::make_unique<Socks5Connect>(destination, row.credentials);
        break;
    }
    std::string error;
    const auto tls = secure ? TlsContext::create(s_dir->filePath(QStringLiteral("ca.pem")).toStdString(), false, &error) : nullptr;
    ASSERT_TRUE(!secure || tls) << error;
    const std::string request = unit ? HttpMessage::originRequest(judge) : HttpMessage::proxyRequest(url, row.credentials);
    Exchange exchange = converse(proxy->port(), unit.get(), tls.get(), row.judge == Judge::HttpsWrongName ? "judge.test" : "localhost", request);
    if (exchange.reason.empty() && exchange.answer.find("Comment") == std::string::npos)
        exchange.reason = HttpMessage::authFailure(exchange.answer, row.credentials.has_value()).value_or("no pass marker");
    EXPECT_EQ(exchange.reason, row.reason) << exchange.answer.substr(0, 300) << proxy->output();
}

const Row kRows[] = {
    { "tinyproxy_http", Server::Tinyproxy, Unit::PlainHttp, Judge::Http },
    { "tinyproxy_http_password", Server::TinyproxyAuth, Unit::PlainHttp, Judge::Http, "127.0.0.1", kBob },
    { "tinyproxy_http_wrong_password", Server::TinyproxyAuth, Unit::PlainHttp, Judge::Http, "127.0.0.1", kWrong, "auth refused" },
    { "tinyproxy_http_no_password", Server::TinyproxyAuth, Unit::PlainHttp, Judge::Http, "127.0.0.1", {}, "auth required" },
    { "tinyproxy_connect", Server::Tinyproxy, Unit::Connect, Judge::Http },
    { "tinyproxy_connect_tls", Server::Tinyproxy, Unit::Connect, Judge::Https, "localhost" },
    { "tinyproxy_connect_password", Server::TinyproxyAuth, Unit::Connect, Judge::Https, "127.0.0.1", kBob },
    { "tinyproxy_connect_wrong_password", Server::TinyproxyAuth, Unit::Connect, Judge::Https, "127.0.0.1", kWrong, "auth refused" },
    { "tinyproxy_connect_no_password", Server::TinyproxyAuth, Unit::Connect, Judge::Https, "127.0.0.1", {}, "auth required" },
    { "tinyproxy_connect_port_refused", Server::TinyproxyPort443, Unit::Connect, Judge::Https, "127.0.0.1", {}, "connect refused" },
    { "tinyproxy_tls_name_mismatch", Server::Tinyproxy, Unit::Connect, Judge::HttpsWrongName, "127.0.0.1", {}, "certificate" },
    { "danted_answers_connect", Server::Danted, Unit::Connect, Judge::Http, "127.0.0.1", {}, "closed" },
    { "squid_connect_tls", Server::Squid, Unit::Connect, Judge::Https },
    { "squid_connect_denied", Server::SquidNoConnect, Unit::Connect, Judge::Https, "127.0.0.1", {}, "connect refused" },
    { "danted_socks4", Server::Danted, Unit::Socks4, Judge::Http },
    { "danted_socks4_tls", Server::Danted, Unit::Socks4, Judge::Https },
    // danted has no SOCKS4a: it takes the marker address 0.0.0.1 for the destination and fails.
    { "danted_socks4a_name_refused", Server::Danted, Unit::Socks4, Judge::Http, "localhost", {}, "socks refused" },
    { "danted_socks5", Server::Danted, Unit::Socks5, Judge::Http },
    { "danted_socks5h_name", Server::Danted, Unit::Socks5, Judge::Https, "localhost" },
    { "danted_socks5_blocked", Server::Danted, Unit::Socks5, Judge::Http, "127.0.0.2", {}, "socks refused" },
    { "danted_socks4_blocked", Server::Danted, Unit::Socks4, Judge::Http, "127.0.0.2", {}, "socks refused" },
    { "microsocks", Server::Microsocks, Unit::Socks5, Judge::Https },
    { "microsocks_password", Server::MicrosocksAuth, Unit::Socks5, Judge::Http, "127.0.0.1", kBobColon },
    { "microsocks_wrong_password", Server::MicrosocksAuth, Unit::Socks5, Judge::Http, "127.0.0.1", kWrong, "auth refused" },
    { "microsocks_no_password", Server::MicrosocksAuth, Unit::Socks5, Judge::Http, "127.0.0.1", {}, "auth required" },
    { "microsocks_answers_connect", Server::Microsocks, Unit::Connect, Judge::Http, "127.0.0.1", {}, "bad reply" },
    { "microsocks_answers_socks4", Server::Microsocks, Unit::Socks4, Judge::Http, "127.0.0.1", {}, "bad reply" },
};

INSTANTIATE_TEST_SUITE_P(Rows, RealProxy, testing::ValuesIn(kRows), [](const auto& info) { return std::string(info.param.name); });

// quorvane-check itself through each real proxy: each line of its list ("@" stands for the proxy's
// address and port) gives one row of --all's output, "proxy|level|ok|reason|protocol|exit".
struct CheckRow {
    const char* name;
    Server server;
    std::vector<std::string> lines;
    std::vector<std::string> rows; // in any order
    std::vector<std::string> arguments = {};
    bool trustTestCa = true;
};

class CheckThroughRealProxy : public RealProxy {};

TEST_F(CheckThroughRealProxy, EachProtocolFindsAndReasons)
{
    ASSERT_TRUE(s_judge->running()) << s_judge->error();
    ASSERT_TRUE(s_tlsJudge && s_tlsJudge->running());
    const std::string judge = "http://127.0.0.1:" + std::to_string(s_judge->port()) + "/";
    const std::string httpsJudge = "https://localhost:" + std::to_string(s_tlsJudge->port()) + "/judge.html";
    const std::string ca = s_dir->filePath(QStringLiteral("ca.pem")).toStdString();
    const CheckRow rows[] = {
        { "tinyproxy_http_and_https", Server::Tinyproxy, { "@" }, { "@|1|true||http|127.0.0.1|true", "https://@|1|true||https|127.0.0.1|true" },
            { "--protocols", "http,https" } },
        { "tinyproxy_passwords", Server::TinyproxyAuth, { "http://bob:s3cret@@", "https://bob:wrong@@", "https://@" },
            { "http://bob:s3cret@@|1|true||http|127.0.0.1|true", "https://bob:wrong@@||false|auth refused|https||", "https://@||false|auth required|https||" } },
        { "squid_connect_without_the_test_ca", Server::Squid, { "https://@" }, { "https://@||false|certificate|https||" },
            { "--no-judge-check" }, false },
        { "danted_socks", Server::Danted, { "socks4://@", "socks5h://@", "@" },
            { "socks4://@|1|true||socks4|127.0.0.1|true", "socks5h://@|1|true||socks5h|127.0.0.1|true", "socks5://@|1|true||socks5|127.0.0.1|true", "@||false|closed without answering|http||" },
            { "--protocols", "http,socks5" } },
        { "microsocks_password", Server::MicrosocksAuth, { "socks5://bob:s3cret%3A%40@@", "socks5://bob:s3cret@@", "https://@" },
            { "socks5://bob:s3cret%3A%40@@|1|true||socks5|127.0.0.1|true", "socks5://bob:s3cret@@||false|auth refused|socks5||", "https://@||false|bad reply|https||" } },
    };
    for (const CheckRow& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const auto proxy = startProxy(row.server, dir);
        if (!proxy->installed())
            continue;
        ASSERT_TRUE(proxy->running()) << proxy->error();
        const std::string at = "127.0.0.1:" + std::to_string(proxy->port());
        auto place = [&](std::string text) {
            for (std::size_t i; (i = text.find("@@")) != std::string::npos || (i = text.find("//@")) != std::string::npos
                 || (i = text.find('@')) == 0;) {
                if (text.compare(i, 2, "@@") == 0)
                    text.replace(i + 1, 1, at);
                else if (text.compare(i, 3, "//@") == 0)
                    text.replace(i + 2, 1, at);
                else
                    text.replace(0, 1, at);
            }
            return text;
        };
        QByteArray list;
        for (const std::string& line : row.lines)
            list += QByteArray::fromStdString(place(line)) + "\n";
        QStringList arguments { QStringLiteral("--quiet"), QStringLiteral("--all"), QStringLiteral("--judge"), QString::fromStdString(judge),
            QStringLiteral("--judge"), QString::fromStdString(httpsJudge) };
        if (row.trustTestCa)
            arguments << QStringLiteral("--ca-file") << QString::fromStdString(ca);
        for (const std::string& argument : row.arguments)
            arguments << QString::fromStdString(argument);
        arguments << QString::fromStdString(test::writeIn(dir, "list.txt", list));
        QProcess check;
        check.start(QStringLiteral(QV_CHECK_BINARY), arguments);
        ASSERT_TRUE(check.waitForFinished(60000));
        std::vector<std::string> got, want;
        for (const QByteArray& line : check.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                got.push_back(line.toStdString());
        }
        for (const std::string& expected : row.rows) {
            std::string line = place(expected);
            std::replace(line.begin(), line.end(), '|', '\t');
            want.push_back(line);
        }
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << check.readAllStandardError().toStdString() << proxy->output();
    }
}

} // namespace
} // namespace qv
