// The quorvane-judge program on loopback: quorvane-check lists each real proxy with the level the
// judge gives it, and hostile clients leave the judge serving with bounded memory. Every wait is bounded.
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

#include "support/TestFiles.h"

namespace qv {
namespace {

using namespace Qt::Literals::StringLiterals;

// A connected socket whose every send and receive gives up after 20 s; -1 when refused.
int connectTo(quint16 port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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

// A judge of its own for each test, with a short deadline so that hostile cases end soon.
class JudgeProgram : public testing::Test {
protected:
    void SetUp() override
    {
        m_judge.setStandardErrorFile(m_dir.filePath(u"judge.log"_s));
        m_judge.start(QStringLiteral(QV_JUDGE_BINARY),
            QStringList { u"--listen"_s, u"127.0.0.1:0"_s, u"--timeout"_s, u"2000"_s } + extraArguments());
        m_judge.waitForStarted(10000);
        for (int i = 0; i < 100 && m_port == 0 && m_judge.state() != QProcess::NotRunning; ++i) {
            if (const std::size_t at = judgeLog().find("listening on 127.0.0.1:"); at != std::string::npos)
                m_port = static_cast<quint16>(std::stoi(judgeLog().substr(at + 23)));
            else
                m_judge.waitForFinished(100);
        }
        ASSERT_NE(m_port, 0) << "the judge did not start: " << judgeLog();
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
    virtual QStringList extraArguments() const { return {}; }

    QTemporaryDir m_dir;
    QProcess m_judge;
    quint16 m_port = 0;
};

struct ProxyRow {
    const char* name;
    const char* program; // nullptr: the checker asks the judge itself
    const char* settings; // added to the proxy's configuration
    const char* level;
};

class ThroughProxy : public JudgeProgram, public testing::WithParamInterface<ProxyRow> { };

TEST_P(ThroughProxy, CheckListsItWithTheJudgesLevel)
{
    const ProxyRow& row = GetParam();
    QTemporaryDir dir;
    QProcess proxy;
    proxy.setProcessChannelMode(QProcess::MergedChannels);
    quint16 port = m_port;
    if (row.program) {
        const QString program = QString::fromLatin1(row.program);
        const QString binary = QStandardPaths::findExecutable(program, { u"/usr/sbin"_s, u"/usr/bin"_s });
        if (binary.isEmpty())
            GTEST_SKIP() << row.program << " is not installed (scripts/test installs it); test skipped";
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        const std::string p = std::to_string(port), d = dir.path().toStdString(), config = d + "/proxy.conf";
        if (program == u"squid"_s) {
            // Run as root, squid works as user "proxy": it must be able to write its files here.
            QFile::setPermissions(dir.path(), QFile::Permissions::fromInt(0x7777));
            std::ofstream(config) << "http_port 127.0.0.1:" << p << "\npid_filename " << d << "/squid.pid\ncache_log " << d
                                  << "/cache.log\ncoredump_dir " << d
                                  << "\naccess_log none\ncache_store_log none\ncache deny all\nnetdb_filename none\n"
                                     "pinger_enable off\nvisible_hostname loopback-squid\nshutdown_lifetime 0 seconds\n"
                                     "http_access allow localhost\nhttp_access deny all\n"
                                  << row.settings;
            // A service name of its own keeps its shared-memory segments apart from any other squid's.
            proxy.start(binary, { u"-N"_s, u"-n"_s, u"qvjudge%1"_s.arg(port), u"-f"_s, QString::fromStdString(config) });
        } else {
            std::ofstream(config) << "Port " << p << "\nListen 127.0.0.1\nAllow 127.0.0.1\nLogLevel Critical\n"
                                  << "ViaProxyName \"loopback-tinyproxy\"\n" << row.settings;
            proxy.start(binary, { u"-d"_s, u"-c"_s, QString::fromStdString(config) });
        }
        int fd = -1;
        for (int i = 0; i < 150 && fd < 0 && proxy.state() != QProcess::NotRunning; ++i) {
            if ((fd = connectTo(port)) < 0)
                proxy.waitForFinished(100);
        }
        ASSERT_GE(fd, 0) << row.program << " does not listen: " << proxy.readAll().toStdString();
        close(fd);
    }
    const QString list = QString::fromStdString(test::writeIn(dir, "list.txt", "127.0.0.1:" + QByteArray::number(port) + "\r\n"));
    QProcess check;
    check.start(QStringLiteral(QV_CHECK_BINARY), { u"--quiet"_s, u"--judge"_s, u"http://127.0.0.1:%1/"_s.arg(m_port), list });
    ASSERT_TRUE(check.waitForFinished(60000));
    // The exit column follows: what the judge page shows as the address it saw.
    const std::string out = check.readAllStandardOutput().toStdString();
    EXPECT_TRUE(out.starts_with("127.0.0.1:" + std::to_string(port) + "\t" + row.level + "\thttp\t") && out.ends_with("\n")
        && std::count(out.begin(), out.end(), '\n') == 1)
        << out << judgeLog() << proxy.readAll().toStdString();
    // Stopped, not killed, so that squid removes its shared-memory segments.
    proxy.terminate();
    proxy.waitForFinished(10000);
}

INSTANTIATE_TEST_SUITE_P(Proxies, ThroughProxy,
    testing::Values(ProxyRow { "DirectIsElite", nullptr, "", "1" },
        ProxyRow { "TinyproxyWithoutViaIsElite", "tinyproxy", "DisableViaHeader Yes\n", "1" },
        ProxyRow { "TinyproxyWithViaIsAnonymous", "tinyproxy", "", "2" },
        ProxyRow { "SquidForwardingTheAddressIsTransparent", "squid", "forwarded_for on\ntcp_outgoing_address 127.0.0.2\n", "3" }),
    [](const testing::TestParamInfo<ProxyRow>& info) { return std::string(info.param.name); });

TEST_F(JudgeProgram, HostileClientsLeaveItServingWithBoundedMemory)
{
    const std::string good = "GET / HTTP/1.0\r\n\r\n\r\n";
    const long before = statusKiB(m_judge.processId(), "VmRSS:");
    std::mt19937 random(14);
    std::string junk(64 * 1024, '\0');
    std::generate(junk.begin(), junk.end(), [&] { return static_cast<char>(random()); });
    const quint16 port = m_port;
    const std::pair<const char*, std::function<void()>> cases[] = {
        { "header block over the cap",
            [port] {
                const std::string reply = talk(port, "GET / HTTP/1.0\r\nX-Big: " + std::string(20000, 'a') + "\r\n\r\n");
                EXPECT_NE(reply.find(" 431 "), std::string::npos) << reply.substr(0, 200);
                // Far over it, many times: what the judge keeps must not grow with what it is sent.
                for (int i = 0; i < 40; ++i)
                    EXPECT_EQ(talk(port, "GET / HTTP/1.0\r\nX: " + std::string(1 << 20, 'a')).find("Comment"), std::string::npos);
            } },
        { "a request dribbled one byte a second",
            [port] {
                const std::string request = "GET / HTTP/1.0\r\nX: y\r\n\r\n";
                const int fd = connectTo(port);
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
        { "a thousand idle connections",
            [port, &good] {
                std::vector<int> idle;
                for (int i = 0; i < 1000; ++i)
                    idle.push_back(connectTo(port));
                EXPECT_EQ(std::count(idle.begin(), idle.end(), -1), 0);
                // That fills the judge: the good request waits until the idle ones are cut.
                EXPECT_NE(talk(port, good).find("color:blue\">1"), std::string::npos);
                for (int fd : idle)
                    close(fd);
            } },
        { "binary junk and requests without a path",
            [port, &junk] {
                for (const std::string& request : { junk, std::string("GET\r\n\r\n"), std::string("GET HTTP/1.0\r\n\r\n"),
                         std::string("GET  HTTP/1.0\r\n\r\n"), std::string("\r\n\r\n") })
                    EXPECT_EQ(talk(port, request).find("Comment"), std::string::npos) << request.substr(0, 20);
            } },
    };
    for (const auto& [name, hostile] : cases) {
        SCOPED_TRACE(name);
        hostile();
        ASSERT_EQ(m_judge.state(), QProcess::Running) << judgeLog();
        EXPECT_NE(talk(port, good).find("Comment: this request came from <b>127.0.0.1</b>"), std::string::npos);
    }
    const long peak = statusKiB(m_judge.processId(), "VmHWM:");
    ASSERT_GT(before, 0);
    EXPECT_LT(peak - before, QV_JUDGE_MEMORY_BOUND_MIB * 1024) << "peak " << peak << " KiB, before " << before << " KiB";
}

// A full judge takes the connection waiting in the listen queue once its own connections are cut.
class FullJudge : public JudgeProgram {
    QStringList extraArguments() const override { return { u"--max-connections"_s, u"2"_s }; }
};

TEST_F(FullJudge, AcceptsAgainOnceItsConnectionsEnd)
{
    const int idle[] = { connectTo(m_port), connectTo(m_port) };
    EXPECT_NE(talk(m_port, "GET / HTTP/1.0\r\n\r\n\r\n").find("Comment"), std::string::npos) << judgeLog();
    for (const int fd : idle)
        close(fd);
}

// --help answers on standard output; a bad command line is refused with one line and status 2.
TEST(JudgeCommandLine, HelpExitsWithZeroBadArgumentsWithTwo)
{
    for (const QStringList& args : { QStringList { u"--help"_s }, { u"--colour"_s }, { u"--listen"_s, u"localhost:80"_s } }) {
        QProcess judge;
        judge.start(QStringLiteral(QV_JUDGE_BINARY), args);
        ASSERT_TRUE(judge.waitForFinished(10000));
        const bool help = args.front() == u"--help"_s;
        const QByteArray out = judge.readAllStandardOutput(), err = judge.readAllStandardError();
        EXPECT_TRUE(judge.exitCode() == (help ? 0 : 2) && out.startsWith("usage: quorvane-judge") == help
            && err.count('\n') == (help ? 0 : 1)) << args.join(u' ').toStdString() << out.toStdString() << err.toStdString();
    }
}

} // namespace
} // namespace qv
