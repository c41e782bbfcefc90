// quorvane-check through real proxies from Debian's packages on loopback, with quorvane-judge as the
// judge over plain HTTP and over TLS (a certificate authority made at test time): each protocol's
// find, and each way a real proxy says no.
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <set>

#include "support/RealServers.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

enum class Server { Tinyproxy, TinyproxyAuth, TinyproxyPort443, Squid, SquidNoConnect, Danted, Microsocks, MicrosocksAuth };

// Each line of the list ("@" stands for the proxy's address and port) gives one row of --all's
// output, "proxy|level|ok|reason|protocol|exit".
struct Row {
    const char* name;
    Server server;
    std::vector<std::string> lines;
    std::vector<std::string> rows; // in any order
    std::vector<std::string> arguments = {};
    bool trustTestCa = true;
    bool plainJudge = true; // false: only the TLS judge, so SOCKS checks fetch it over TLS
};

class RealProxy : public testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        if (!test::makeCertificates(*s_dir))
            return;
        const quint16 port = test::freePort();
        s_tlsPort = test::freePort();
        s_judge = new test::RealServer(QStringLiteral(QV_JUDGE_BINARY),
            { QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--tls-listen"),
                QStringLiteral("127.0.0.1:%1").arg(s_tlsPort), QStringLiteral("--tls-cert"), s_dir->filePath(QStringLiteral("judge.pem")),
                QStringLiteral("--tls-key"), s_dir->filePath(QStringLiteral("judge.key")), QStringLiteral("--quiet") },
            port);
    }
    static void TearDownTestSuite()
    {
        delete s_judge;
        delete s_dir;
        s_judge = nullptr;
    }

    static std::unique_ptr<test::RealServer> startProxy(Server server, const QTemporaryDir& dir)
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
            // Refuses the TLS judge, so that a SOCKS refusal has a destination to refuse.
            return test::startDanted(dir, "socks block { from: 0.0.0.0/0 to: 127.0.0.1/32 port = " + std::to_string(s_tlsPort) + " }\n");
        case Server::Microsocks:
            return test::startMicrosocks();
        case Server::MicrosocksAuth:
            // A password tinyproxy's configuration could not hold.
            return test::startMicrosocks("bob", "s3cret:@");
        }
        return nullptr;
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline test::RealServer* s_judge = nullptr;
    static inline quint16 s_tlsPort = 0;
};

TEST_P(RealProxy, FindsOrSaysWhyNot)
{
    const Row& row = GetParam();
    ASSERT_TRUE(s_judge && s_judge->running()) << (s_judge ? s_judge->error() : "no certificates");
    QTemporaryDir dir;
    const auto proxy = startProxy(row.server, dir);
    if (!proxy->installed())
        GTEST_SKIP() << proxy->error();
    ASSERT_TRUE(proxy->running()) << proxy->error();
    const std::string at = "127.0.0.1:" + std::to_string(proxy->port());
    // "@" alone, after "//" or after a user's "@" is the proxy.
    auto place = [&](std::string text) {
        for (std::size_t i; (i = text.find("@@")) != std::string::npos || (i = text.find("//@")) != std::string::npos || (i = text.find('@')) == 0;)
            text.replace(text.compare(i, 2, "@@") == 0 ? i + 1 : text.compare(i, 3, "//@") == 0 ? i + 2 : 0, 1, at);
        return text;
    };
    QByteArray list;
    for (const std::string& line : row.lines)
        list += QByteArray::fromStdString(place(line)) + "\n";
    QStringList arguments { QStringLiteral("--quiet"), QStringLiteral("--all") };
    if (row.plainJudge)
        arguments << QStringLiteral("--judge") << QStringLiteral("http://127.0.0.1:%1/").arg(s_judge->port());
    arguments << QStringLiteral("--judge") << QStringLiteral("https://localhost:%1/").arg(s_tlsPort);
    if (row.trustTestCa)
        arguments << QStringLiteral("--ca-file") << s_dir->filePath(QStringLiteral("ca.pem"));
    for (const std::string& argument : row.arguments)
        arguments << QString::fromStdString(argument);
    arguments << QString::fromStdString(test::writeIn(dir, "list.txt", list));
    QProcess check;
    check.start(QStringLiteral(QV_CHECK_BINARY), arguments);
    ASSERT_TRUE(check.waitForFinished(60000));
    std::multiset<std::string> got, want;
    for (const QByteArray& line : check.readAllStandardOutput().split('\n'))
        got.insert(line.toStdString());
    got.erase("");
    for (std::string line : row.rows) {
        std::replace(line.begin(), line.end(), '|', '\t');
        want.insert(place(line));
    }
    EXPECT_EQ(got, want) << check.readAllStandardError().toStdString() << proxy->output();
}

const Row kRows[] = {
    { "tinyproxy_http_and_https", Server::Tinyproxy, { "@" }, { "@|1|true||http|127.0.0.1|true", "https://@|1|true||https|127.0.0.1|true" },
        { "--protocols", "http,https" } },
    { "tinyproxy_passwords", Server::TinyproxyAuth, { "http://bob:s3cret@@", "http://bob:wrong@@", "@", "https://bob:s3cret@@", "https://bob:wrong@@", "https://@" },
        { "http://bob:s3cret@@|1|true||http|127.0.0.1|true", "http://bob:wrong@@||false|auth refused|http||", "@||false|auth required|http||",
            "https://bob:s3cret@@|1|true||https|127.0.0.1|true", "https://bob:wrong@@||false|auth refused|https||",
            "https://@||false|auth required|https||" } },
    { "tinyproxy_connect_port_refused", Server::TinyproxyPort443, { "https://@" }, { "https://@||false|connect refused|https||" } },
    { "squid_connect", Server::Squid, { "https://@" }, { "https://@|1|true||https|127.0.0.1|true" } },
    { "squid_connect_without_the_test_ca", Server::Squid, { "https://@" }, { "https://@||false|certificate|https||" }, { "--no-judge-check" }, false },
    { "squid_connect_denied", Server::SquidNoConnect, { "https://@" }, { "https://@||false|connect refused|https||" } },
    // danted answers an HTTP request by closing.
    { "danted_socks", Server::Danted, { "socks4://@", "socks5h://@", "@" },
        { "socks4://@|1|true||socks4|127.0.0.1|true", "socks5h://@|1|true||socks5h|127.0.0.1|true", "socks5://@|1|true||socks5|127.0.0.1|true",
            "@||false|closed without answering|http||" },
        { "--protocols", "http,socks5" } },
    { "danted_refuses_the_destination", Server::Danted, { "socks4://@", "socks5://@" },
        { "socks4://@||false|socks refused|socks4||", "socks5://@||false|socks refused|socks5||" }, {}, true, false },
    { "microsocks_tls_over_socks", Server::Microsocks, { "socks5h://@" }, { "socks5h://@|1|true||socks5h|127.0.0.1|true" }, {}, true, false },
    { "microsocks_password", Server::MicrosocksAuth, { "socks5://bob:s3cret%3A%40@@", "socks5://bob:s3cret@@", "socks5://@", "https://@", "socks4://@" },
        { "socks5://bob:s3cret%3A%40@@|1|true||socks5|127.0.0.1|true", "socks5://bob:s3cret@@||false|auth refused|socks5||",
            "socks5://@||false|auth required|socks5||", "https://@||false|bad reply|https||", "socks4://@||false|bad reply|socks4||" } },
};

INSTANTIATE_TEST_SUITE_P(Rows, RealProxy, testing::ValuesIn(kRows), [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace qv
