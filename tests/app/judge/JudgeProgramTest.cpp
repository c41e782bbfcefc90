// The quorvane-judge program on loopback: quorvane-check lists each real proxy with the level the
// judge gives it, and hostile clients leave the judge serving with bounded memory. Every wait is bounded.
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace qv {
namespace {

int connectTo(quint16 port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        close(fd);
    return -1;
}

// Sends the request (as much as the peer takes) and reads until the peer closes, at most boundMs.
std::string talk(quint16 port, const std::string& request, int boundMs = 15000)
{
    const int fd = connectTo(port);
    if (fd < 0)
        return "(no connection)";
    for (std::size_t sent = 0; sent < request.size();) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    std::string reply;
    char buffer[4096];
    for (int waited = 0; waited < boundMs; waited += 100) {
        pollfd readable { fd, POLLIN, 0 };
        if (poll(&readable, 1, 100) == 0)
            continue;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return reply;
}

// A loopback port nothing listens on, for a proxy to take.
quint16 freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

long statusKiB(qint64 pid, const char* field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<int>(strlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// One judge for every test, on a port of its own, with a short deadline so hostile cases end soon.
class JudgeProgram : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_port = 0;
        s_dir = new QTemporaryDir;
        s_judge = new QProcess;
        s_judge->setStandardErrorFile(s_dir->filePath(QStringLiteral("judge.log")));
        s_judge->start(QStringLiteral(QV_JUDGE_BINARY),
            { QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--timeout"),
                QStringLiteral("2000") });
        s_judge->waitForStarted(10000);
        for (int attempt = 0; attempt < 100 && s_port == 0; ++attempt) {
            const QByteArray log = judgeLog();
            const qsizetype at = log.indexOf("listening on 127.0.0.1:");
            if (at >= 0)
                s_port = static_cast<quint16>(log.mid(at + 23).split(',').value(0).toUInt());
            else
                s_judge->waitForFinished(100);
        }
    }
    static void TearDownTestSuite()
    {
        // SIGTERM ends it cleanly.
        s_judge->terminate();
        EXPECT_TRUE(s_judge->waitForFinished(10000));
        EXPECT_EQ(s_judge->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(s_judge->exitCode(), 0);
        EXPECT_TRUE(judgeLog().endsWith("quorvane-judge: stopped\n")) << judgeLog().toStdString();
        delete s_judge;
        delete s_dir;
    }
    void SetUp() override
    {
        ASSERT_NE(s_port, 0) << "the judge did not start: " << judgeLog().toStdString();
        ASSERT_EQ(s_judge->state(), QProcess::Running);
    }
    static QByteArray judgeLog()
    {
        QFile log(s_dir->filePath(QStringLiteral("judge.log")));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }
    static std::string judgeUrl() { return "http://127.0.0.1:" + std::to_string(s_port) + "/"; }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline QProcess* s_judge = nullptr;
    static inline quint16 s_port = 0;
};

// A real proxy started on loopback with a config file written for it.
enum class Proxy { None, TinyproxyWithoutVia, TinyproxyWithVia, Squid };

struct ProxyRow
{
    const char* name;
    Proxy proxy;
    std::string level;
};
std::ostream& operator<<(std::ostream& out, const ProxyRow& row)
{
    return out << row.name;
}

class ThroughProxy : public JudgeProgram, public testing::WithParamInterface<ProxyRow>
{
};

TEST_P(ThroughProxy, CheckListsItWithTheJudgesLevel)
{
    const Proxy kind = GetParam().proxy;
    const bool squid = kind == Proxy::Squid;
    QTemporaryDir dir;
    QProcess proxy;
    quint16 port = s_port; // no proxy: the checker asks the judge itself
    if (kind != Proxy::None) {
        const QString binary
            = QStandardPaths::findExecutable(squid ? QStringLiteral("squid") : QStringLiteral("tinyproxy"),
                { QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/sbin"),
                    QStringLiteral("/usr/local/bin") });
        if (binary.isEmpty())
            GTEST_SKIP() << (squid ? "squid" : "tinyproxy")
                         << " is not installed (scripts/test installs it); test skipped";
        port = freePort();
        const QByteArray p = QByteArray::number(port);
        const QByteArray d = dir.path().toUtf8();
        proxy.setProcessChannelMode(QProcess::MergedChannels);
        const QString config = dir.filePath(QStringLiteral("proxy.conf"));
        if (squid) {
            // Run as root, squid works as user "proxy": it must be able to write its files here.
            QFile::setPermissions(dir.path(),
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                    | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
            writeFile(config,
                "http_port 127.0.0.1:" + p + "\npid_filename " + d + "/squid.pid\ncache_log " + d
                    + "/cache.log\naccess_log none\ncache_store_log none\ncoredump_dir " + d
                    + "\ncache deny all\ncache_mem 8 MB\nnetdb_filename none\npinger_enable off\n"
                      "visible_hostname loopback-squid\nshutdown_lifetime 0 seconds\n"
                      "forwarded_for on\ntcp_outgoing_address 127.0.0.2\n"
                      "http_access allow localhost\nhttp_access deny all\n");
            // A service name of its own keeps its shared-memory segments apart from any other squid's.
            proxy.start(binary,
                { QStringLiteral("-N"), QStringLiteral("-n"), QStringLiteral("qvjudge%1").arg(port),
                    QStringLiteral("-f"), config });
        } else {
            writeFile(config,
                "Port " + p
                    + "\nListen 127.0.0.1\nTimeout 30\nMaxClients 10\nAllow 127.0.0.1\nLogLevel Critical\n"
                    + "ViaProxyName \"loopback-tinyproxy\"\n"
                    + (kind == Proxy::TinyproxyWithoutVia ? "DisableViaHeader Yes\n" : ""));
            proxy.start(binary, { QStringLiteral("-d"), QStringLiteral("-c"), config });
        }
        ASSERT_TRUE(proxy.waitForStarted(5000));
        int fd = -1;
        for (int attempt = 0; attempt < 150 && fd < 0 && proxy.state() == QProcess::Running; ++attempt) {
            fd = connectTo(port);
            if (fd < 0)
                proxy.waitForFinished(100);
        }
        ASSERT_GE(fd, 0) << "the proxy does not listen: " << proxy.readAll().toStdString();
        close(fd);
    }

    const QString list = dir.filePath(QStringLiteral("list.txt"));
    writeFile(list, "127.0.0.1:" + QByteArray::number(port) + "\r\n");
    QProcess check;
    check.start(QStringLiteral(QV_CHECK_BINARY),
        { QStringLiteral("--quiet"), QStringLiteral("--timeout"), QStringLiteral("8000"),
            QStringLiteral("--judge"), QString::fromStdString(judgeUrl()), list });
    ASSERT_TRUE(check.waitForFinished(60000));
    EXPECT_EQ(check.exitCode(), 0);
    EXPECT_EQ(check.readAllStandardOutput().toStdString(),
        "127.0.0.1:" + std::to_string(port) + "\t" + GetParam().level + "\n")
        << judgeLog().toStdString() << proxy.readAll().toStdString();
    if (kind != Proxy::None) {
        // Stopped, not killed, so that squid removes its shared-memory segments.
        proxy.terminate();
        if (!proxy.waitForFinished(10000))
            proxy.kill();
        proxy.waitForFinished(5000);
    }
}

INSTANTIATE_TEST_SUITE_P(Proxies, ThroughProxy,
    testing::Values(ProxyRow { "DirectIsElite", Proxy::None, "1" },
        ProxyRow { "TinyproxyWithoutViaIsElite", Proxy::TinyproxyWithoutVia, "1" },
        ProxyRow { "TinyproxyWithViaIsAnonymous", Proxy::TinyproxyWithVia, "2" },
        ProxyRow { "SquidForwardingTheAddressIsTransparent", Proxy::Squid, "3" }),
    [](const testing::TestParamInfo<ProxyRow>& info) { return std::string(info.param.name); });

TEST_F(JudgeProgram, HostileClientsLeaveItServingWithBoundedMemory)
{
    const std::string good = "GET / HTTP/1.0\r\n\r\n\r\n";
    const long rssBefore = statusKiB(s_judge->processId(), "VmRSS:");
    std::mt19937 random(14);
    std::string junk(64 * 1024, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());

    const std::pair<const char*, std::function<void()>> cases[] = {
        { "header block over the cap",
            [] {
                const std::string reply
                    = talk(s_port, "GET / HTTP/1.0\r\nX-Big: " + std::string(20000, 'a') + "\r\n\r\n");
                EXPECT_NE(reply.find(" 431 "), std::string::npos) << reply.substr(0, 200);
                // Far over it, many times: what the judge keeps must not grow with what it is sent.
                for (int i = 0; i < 40; ++i)
                    EXPECT_EQ(
                        talk(s_port, "GET / HTTP/1.0\r\nX-Big: " + std::string(1 << 20, 'a')).find("Comment"),
                        std::string::npos);
            } },
        { "a request dribbled one byte a second",
            [] {
                const std::string request = "GET / HTTP/1.0\r\nX: y\r\n\r\n";
                const int fd = connectTo(s_port);
                ASSERT_GE(fd, 0);
                std::size_t sent = 0;
                bool closed = false;
                while (sent < request.size() && !closed) {
                    closed = send(fd, request.data() + sent, 1, MSG_NOSIGNAL) != 1;
                    ++sent;
                    pollfd readable { fd, POLLIN, 0 };
                    char byte;
                    closed = closed || (poll(&readable, 1, 1000) == 1 && recv(fd, &byte, 1, 0) <= 0);
                }
                close(fd);
                EXPECT_TRUE(closed) << "the judge waited for the whole dribbled request";
                EXPECT_LT(sent, request.size());
            } },
        { "a thousand idle connections",
            [&good] {
                std::vector<int> idle;
                for (int i = 0; i < 1000; ++i)
                    idle.push_back(connectTo(s_port));
                EXPECT_EQ(std::count(idle.begin(), idle.end(), -1), 0);
                // The judge is full; the good request waits until the idle ones are cut.
                EXPECT_NE(talk(s_port, good, 20000).find("color:blue\">1"), std::string::npos);
                for (int fd : idle) {
                    if (fd >= 0)
                        close(fd);
                }
            } },
        { "binary junk", [&junk] { EXPECT_EQ(talk(s_port, junk).find("Comment"), std::string::npos); } },
        { "requests without a path",
            [] {
                for (const char* request :
                    { "GET\r\n\r\n", "GET HTTP/1.0\r\n\r\n", "GET  HTTP/1.0\r\n\r\n", "\r\n\r\n" })
                    EXPECT_EQ(talk(s_port, request).find("Comment"), std::string::npos) << request;
            } },
    };
    for (const auto& [name, hostile] : cases) {
        SCOPED_TRACE(name);
        hostile();
        ASSERT_EQ(s_judge->state(), QProcess::Running) << judgeLog().toStdString();
        const std::string reply = talk(s_port, good);
        EXPECT_NE(reply.find("Comment"), std::string::npos) << reply.substr(0, 200);
        EXPECT_NE(reply.find("color:blue\">1"), std::string::npos);
    }
    const long peak = statusKiB(s_judge->processId(), "VmHWM:");
    ASSERT_GT(rssBefore, 0);
    EXPECT_LT(peak - rssBefore, 16 * 1024) << "peak " << peak << " KiB, before " << rssBefore << " KiB";
}

} // namespace
} // namespace qv
