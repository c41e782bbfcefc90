// The quorvane-judge program on loopback: quorvane-check lists each real proxy with the level the
// judge gives it, and hostile clients leave the judge serving with bounded memory. Every wait is bounded.
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <regex>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/RealServers.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using namespace Qt::Literals::StringLiterals;

// A connected socket whose every send and receive gives up after 20 s; -1 when refused. It comes from
// the loopback address `from` (127.0.0.1 unless given).
int connectTo(quint16 port, in_addr_t from = INADDR_LOOPBACK)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in source { AF_INET, 0, { htonl(from) }, {} };
    bind(fd, reinterpret_cast<const sockaddr*>(&source), sizeof source);
    const sockaddr_in address { AF_INET, htons(port), { htonl(INADDR_LOOPBACK) }, {} };
    const timeval bound { 20, 0 };
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    close(fd);
    return -1;
}

// Sends what the peer takes of the request and reads the answer until the peer closes (at most 1 MiB).
std::string talk(quint16 port, const std::string& request)
{
    std::string reply;
    const int fd = connectTo(port);
    if (fd < 0)
        return reply;
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    char buffer[4096];
    for (ssize_t n; reply.size() < (1u << 20) && (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return reply;
}

long statusKiB(qint64 pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line) && !line.starts_with(field)) { }
    return line.starts_with(field) ? std::stol(line.substr(field.size())) : -1;
}

// A judge of its own for each test, with a short deadline so that hostile cases end soon, and a TLS
// listener beside the plain one, its certificate from an authority made here.
class JudgeProgram : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::makeCertificates(m_dir)) << "openssl (scripts/setup test installs it) failed";
        m_judge.setStandardErrorFile(m_dir.filePath(u"judge.log"_s));
        m_judge.start(QStringLiteral(QV_JUDGE_BINARY),
            QStringList { u"--listen"_s, u"127.0.0.1:0"_s, u"--timeout"_s, u"2000"_s, u"--tls-listen"_s,
                u"127.0.0.1:0"_s, u"--tls-cert"_s, m_dir.filePath(u"judge.pem"_s), u"--tls-key"_s,
                m_dir.filePath(u"judge.key"_s) }
                + extraArguments());
        m_judge.waitForStarted(10000);
        const std::string log = judgeLogOf(2); // a line for each listener
        const auto portAfter = [&log](const std::string& text) {
            const std::size_t at = log.find(text);
            return static_cast<quint16>(
                at == std::string::npos ? 0 : std::stoi(log.substr(at + text.size())));
        };
        m_port = portAfter("listening on 127.0.0.1:");
        m_tlsPort = portAfter("listening for TLS on 127.0.0.1:");
        ASSERT_TRUE(m_port && m_tlsPort) << "the judge did not start: " << log;
    }
    void TearDown() override
    {
        m_judge.terminate(); // SIGTERM ends it cleanly
        EXPECT_TRUE(m_judge.waitForFinished(10000));
        EXPECT_EQ(m_judge.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(m_judge.exitCode(), 0);
        EXPECT_TRUE(judgeLog().ends_with("quorvane-judge: stopped\n")) << judgeLog();
    }
    std::string judgeLog() const { return test::readFile(m_dir.filePath(u"judge.log"_s)).toStdString(); }
    // The log once it holds at least `lines` lines (or after 10 s).
    std::string judgeLogOf(long lines)
    {
        std::string log = judgeLog();
        for (int i = 0; i < 100 && std::count(log.begin(), log.end(), '\n') < lines; ++i) {
            m_judge.waitForFinished(100);
            log = judgeLog();
        }
        return log;
    }
    virtual QStringList extraArguments() const { return {}; }

    QTemporaryDir m_dir;
    QProcess m_judge;
    quint16 m_port = 0, m_tlsPort = 0;
};

// The judge itself (asked as a proxy) is elite, a proxy that adds a Via header anonymous, one that
// forwards the address transparent. Level 1 through a proxy that adds nothing is a row of the
// real-proxy table.
TEST_F(JudgeProgram, CheckListsEachProxyWithTheJudgesLevel)
{
    using Start = std::unique_ptr<test::RealServer> (*)(const QTemporaryDir&, const std::string&);
    const std::tuple<Start, const char*, const char*> rows[]
        = { { nullptr, "", "1" }, { test::startTinyproxy, "DisableViaHeader No\n", "2" },
              { test::startSquid, "forwarded_for on\ntcp_outgoing_address 127.0.0.2\n", "3" } };
    for (const auto& [start, settings, level] : rows) {
        SCOPED_TRACE(level);
        QTemporaryDir dir;
        const std::unique_ptr<test::RealServer> proxy = start ? start(dir, settings) : nullptr;
        if (proxy && !proxy->installed())
            GTEST_SKIP() << proxy->error();
        ASSERT_TRUE(!proxy || proxy->running()) << proxy->error();
        const quint16 port = proxy ? proxy->port() : m_port;
        const QString list = QString::fromStdString(
            test::writeIn(dir, "list.txt", "127.0.0.1:" + QByteArray::number(port) + "\r\n"));
        QProcess check;
        check.start(QStringLiteral(QV_CHECK_BINARY),
            { u"--quiet"_s, u"--judge"_s, u"http://127.0.0.1:%1/"_s.arg(m_port), list });
        ASSERT_TRUE(check.waitForFinished(60000));
        // The exit column follows: what the judge page shows as the address it saw.
        const std::string out = check.readAllStandardOutput().toStdString();
        EXPECT_TRUE(out.starts_with("127.0.0.1:" + std::to_string(port) + "\t" + level + "\thttp\t")
            && out.ends_with("\n") && std::count(out.begin(), out.end(), '\n') == 1)
            << out << judgeLog() << (proxy ? proxy->output() : "");
    }
}

TEST_F(JudgeProgram, HostileClientsLeaveItServingWithBoundedMemory)
{
    const std::string good = "GET / HTTP/1.0\r\n\r\n\r\n";
    const long before = statusKiB(m_judge.processId(), "VmRSS:");
    std::mt19937 random(14);
    std::string junk(64 * 1024, '\0');
    std::generate(junk.begin(), junk.end(), [&] { return static_cast<char>(random()); });
    const std::pair<const char*, std::function<void()>> cases[] = {
        { "header block over the cap",
            [this] {
                const std::string reply = talk(m_port, "GET / HTTP/1.0\r\nX-Big: " + std::string(20000, 'a') + "\r\n\r\n");
                EXPECT_NE(reply.find(" 431 "), std::string::npos) << reply.substr(0, 200);
                // Far over it, many times: what the judge keeps must not grow with what it is sent.
                for (int i = 0; i < 40; ++i)
                    EXPECT_EQ(talk(m_port, "GET / HTTP/1.0\r\nX: " + std::string(1 << 20, 'a')).find("Comment"), std::string::npos);
            } },
        { "a request dribbled one byte a second",
            [this] {
                const std::string request = "GET / HTTP/1.0\r\nX: y\r\n\r\n";
                const int fd = connectTo(m_port);
                ASSERT_GE(fd, 0);
                std::size_t sent = 0;
                for (bool closed = false; sent < request.size() && !closed; ++sent) {
                    pollfd readable { fd, POLLIN, 0 };
                    char byte;
                    closed = send(fd, &request[sent], 1, MSG_NOSIGNAL) != 1
                        || (poll(&readable, 1, 1000) == 1 && recv(fd, &byte, 1, 0) <= 0);
                }
                close(fd);
                EXPECT_LT(sent, request.size()) << "the judge waited for the whole dribbled request";
            } },
        { "a thousand idle connections, 16 from each of 63 addresses",
            [this, &good] {
                std::vector<int> idle;
                for (int i = 0; i < 1000; ++i)
                    idle.push_back(connectTo(m_port, INADDR_LOOPBACK + 1 + i / 16));
                EXPECT_EQ(std::count(idle.begin(), idle.end(), -1), 0);
                // That fills the judge (1000 by default): the good request waits in the listen queue
                // until the idle ones are cut.
                EXPECT_NE(talk(m_port, good).find("color:blue\">1"), std::string::npos);
                for (int fd : idle)
                    close(fd);
            } },
        { "binary junk and requests without a path",
            [this, &junk] {
                for (const std::string& request : { junk, std::string("GET\r\n\r\n"), std::string("GET HTTP/1.0\r\n\r\n"),
                         std::string("GET  HTTP/1.0\r\n\r\n"), std::string("\r\n\r\n") })
                    EXPECT_EQ(talk(m_port, request).find("Comment"), std::string::npos) << request.substr(0, 20);
            } },
    };
    for (const auto& [name, hostile] : cases) {
        SCOPED_TRACE(name);
        hostile();
        ASSERT_EQ(m_judge.state(), QProcess::Running) << judgeLog();
        EXPECT_NE(talk(m_port, good).find("Comment: this request came from <b>127.0.0.1</b>"), std::string::npos);
    }
    const long peak = statusKiB(m_judge.processId(), "VmHWM:");
    ASSERT_GT(before, 0);
    EXPECT_LT(peak - before, QV_JUDGE_MEMORY_BOUND_MIB * 1024) << "peak " << peak << " KiB, before " << before << " KiB";
}

// What each kind of request gets, and its log line: one per connection however it ends, time first,
// and no request can break it into two lines or end its quoted target early.
TEST_F(JudgeProgram, LogsOneLinePerConnection)
{
    const std::regex line(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z 127\.0\.0\.1 (-|[!-~]+) )"
                          R"((-|"([ !#-\[\]-~]|\\x[0-9a-f]{2})*"(\.\.\.)?) -> [ -~]+)");
    std::string header;
    for (int i = 0; i < 40; ++i)
        header += "X-" + std::to_string(i) + ": " + std::string(1000, 'a') + "\r\n";
    const std::tuple<const char*, std::string, const char*, const char*> rows[] = {
        // request, reply, log
        { "query string", "GET /?a=b&c=%41 HTTP/1.0\r\n\r\n", "GET /?a=b&amp;c=%41 HTTP/1.0",
            R"(GET "/?a=b&c=%41" -> 1 elite)" },
        { "folded header line", "GET / HTTP/1.0\r\nX-Forwarded-For:\r\n 10.1.2.3\r\n\r\n", " 400 ",
            R"(GET "/" -> 400 (folded line) "X-Forwarded-For10.1.2.3")" },
        { "blank before colon", "GET / HTTP/1.0\r\nX-Real-IP\t: 10.1.2.3\r\n\r\n", " 400 ",
            R"(GET "/" -> 400 (blank before colon) "X-Real-IP\x09")" },
        { "bidi override, CR and an escape sequence",
            "GET /?\xe2\x80\xae\x1b[2J HTTP/1.0\r\nX-Forwarded-For: 10.0.0.1\rX: 1\r\n\r\n", " 200 ",
            R"("/?\xe2\x80\xae\x1b[2J" -> 3 transparent "X-Forwarded-For: 10.0.0.1\x0dX: 1")" },
        { "request line over the library's buffer", "GET /" + std::string(40000, 'a') + " HTTP/1.0\r\n\r\n",
            " 414 ", "- - -> 414" },
        { "header block over the library's buffer", "GET /?q HTTP/1.0\r\n" + header + "\r\n", " 431 ",
            R"(- "/?q" -> 431)" },
        { "unreadable request line", "GET /\r\n\r\n", " 400 ", "- - -> 400" },
        { "request never finished", "GET / HTTP/1.0\r\n", "", R"(- "/" -> cut (timeout))" },
    };
    long lines = 2; // the listeners
    for (const auto& [name, request, reply, logged] : rows) {
        SCOPED_TRACE(name);
        EXPECT_NE(talk(m_port, request).find(reply), std::string::npos);
        const std::string log = judgeLogOf(++lines);
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), lines) << log;
        const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
        EXPECT_NE(last.find(logged), std::string::npos) << last;
        EXPECT_TRUE(std::regex_match(last.substr(0, last.size() - 1), line)) << last;
    }
}

// One address holding 5,000 connections starves no other: past --max-per-client (16 by default)
// its connections are closed at once, so a request from another address is answered while the 16
// are still open (they would be cut only after a minute).
class PatientJudge : public JudgeProgram {
    QStringList extraArguments() const override { return { u"--timeout"_s, u"60000"_s }; }
};

TEST_F(PatientJudge, OneAddressHoldingFiveThousandConnectionsStarvesNoOther)
{
    rlimit files {};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 5100)
        GTEST_SKIP() << "the open-files limit " << files.rlim_cur << " does not allow 5,000 connections";
    std::vector<pollfd> held;
    for (int i = 0; i < 5000; ++i) {
        const int fd = connectTo(m_port, INADDR_LOOPBACK + 1);
        ASSERT_GE(fd, 0) << i;
        held.push_back({ fd, POLLIN, 0 });
    }
    EXPECT_NE(talk(m_port, "GET / HTTP/1.0\r\n\r\n").find("REMOTE_ADDR = 127.0.0.1\n"), std::string::npos) << judgeLog();
    long open = 0;
    for (int round = 0; round < 100 && open != 16; ++round) {
        poll(held.data(), held.size(), 100);
        open = std::count_if(held.begin(), held.end(), [](const pollfd& p) { return p.revents == 0; });
    }
    EXPECT_EQ(open, 16);
    for (const pollfd& p : held)
        close(p.fd);
}

// The TLS listener serves the same page and level rule; a client that does not speak TLS to it gets
// no page.
TEST_F(JudgeProgram, ServesTheSamePageOverTls)
{
    // The judge's certificate is checked against the test authority.
    QProcess client;
    client.start(u"openssl"_s, { u"s_client"_s, u"-quiet"_s, u"-verify_return_error"_s, u"-CAfile"_s,
        m_dir.filePath(u"ca.pem"_s), u"-verify_ip"_s, u"127.0.0.1"_s, u"-connect"_s, u"127.0.0.1:%1"_s.arg(m_tlsPort) });
    client.write("GET /?tls HTTP/1.0\r\nX-Forwarded-For: 10.0.0.1\r\n\r\n");
    client.closeWriteChannel();
    ASSERT_TRUE(client.waitForFinished(20000));
    const std::string page = client.readAllStandardOutput().toStdString();
    EXPECT_NE(page.find("color:blue\">3"), std::string::npos) << page << judgeLog();
    EXPECT_NE(page.find("\nREMOTE_ADDR = 127.0.0.1\n"), std::string::npos) << page;
    EXPECT_EQ(talk(m_tlsPort, "GET / HTTP/1.0\r\n\r\n").find("Comment"), std::string::npos);
    const std::string log = judgeLogOf(4);
    EXPECT_NE(log.find(R"(GET "/?tls" -> 3 transparent "X-Forwarded-For: 10.0.0.1")"), std::string::npos) << log;
    EXPECT_NE(log.find("-> closed (no request; TLS handshake failed or not finished)"), std::string::npos) << log;
}

// -h/--help and --version answer on standard output with 0; options take --opt=value and --opt value
// alike; a bad command line is one line and status 2, TLS files that cannot be read or an address
// already in use status 1.
TEST(JudgeCommandLine, StatusAndMessageForEachCommandLine)
{
    QTcpServer busy;
    ASSERT_TRUE(busy.listen(QHostAddress::LocalHost, 0));
    const std::tuple<QStringList, int, const char*, const char*> rows[] = { // arguments, status, output, error
        { { u"--listen"_s, u"127.0.0.1:%1"_s.arg(busy.serverPort()) }, 1, "", "quorvane-judge: cannot listen on 127.0.0.1:" },
        { { u"--help"_s }, 0, "usage: quorvane-judge", "" },
        { { u"-h"_s }, 0, "Exit status: 0", "" },
        { { u"--max-per-client=4"_s, u"--timeout"_s, u"900"_s, u"--path=/j"_s, u"--version"_s }, 0, "quorvane-judge 1.0.0\n", "" },
        { { u"--colour"_s }, 2, "", "quorvane-judge: unknown option --colour (see --help)\n" },
        { { u"--listen"_s, u"localhost:80"_s }, 2, "", "--listen needs ADDR:PORT" },
        { { u"--quiet=yes"_s }, 2, "", "--quiet takes no value" },
        { { u"--timeout"_s }, 2, "", "--timeout needs a value" },
        { { u"--max-per-client"_s, u"-1"_s }, 2, "", "--max-per-client must be a whole number from 0 to 1000000" },
        { { u"--"_s, u"--version"_s }, 2, "", "unexpected argument \"--version\"" },
        { { u"--tls-listen"_s, u"127.0.0.1:0"_s, u"--tls-cert"_s, u"c.pem"_s }, 2, "", "--tls-listen, --tls-cert and --tls-key go together" },
        { { u"--listen=127.0.0.1:0"_s, u"--tls-listen=127.0.0.1:0"_s, u"--tls-cert=/nonexistent/c.pem"_s, u"--tls-key=/nonexistent/k.pem"_s }, 1, "",
            "quorvane-judge: cannot read /nonexistent/c.pem: No such file or directory\n" },
        { { u"--tls-listen=127.0.0.1:0"_s, u"--tls-cert=/etc/passwd"_s, u"--tls-key=/etc/passwd"_s }, 1, "",
            " (is --tls-cert a PEM certificate chain and --tls-key its PEM private key?)\n" },
    };
    for (const auto& [args, status, out, err] : rows) {
        QProcess judge;
        judge.start(QStringLiteral(QV_JUDGE_BINARY), args);
        ASSERT_TRUE(judge.waitForFinished(10000));
        const std::string output = judge.readAllStandardOutput().toStdString(), error = judge.readAllStandardError().toStdString();
        EXPECT_TRUE(judge.exitCode() == status && output.find(out) != std::string::npos && error.find(err) != std::string::npos
            && std::count(error.begin(), error.end(), '\n') == (status == 0 ? 0 : 1))
            << args.join(u' ').toStdString() << ": " << judge.exitCode() << "\n" << output << error;
    }
}

} // namespace
} // namespace qv
