#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

// Real servers from Debian's packages, each started on a free loopback port with a configuration
// written for it, and stopped (not killed, so that they clean up) when the handle goes.
namespace qv::test {

// A loopback port nothing listens on at the moment.
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class RealServer {
public:
    // Starts program (found in /usr/sbin or /usr/bin) and waits up to 15 s for it to accept on
    // port. error() says why when running() is false: not installed, or it did not listen.
    RealServer(const QString& program, const QStringList& arguments, quint16 port)
        : m_port(port)
    {
        const QStringList folders { QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin") };
        const QString binary
            = program.startsWith(u'/') ? program : QStandardPaths::findExecutable(program, folders);
        if (binary.isEmpty()) {
            m_installed = false;
            m_error = program.toStdString() + " is not installed (scripts/setup test installs it)";
            return;
        }
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(binary, arguments);
        for (int i = 0; i < 150 && m_process.state() != QProcess::NotRunning; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(1000))
                return;
            m_process.waitForFinished(100);
        }
        m_error = program.toStdString() + " does not listen: " + m_process.readAll().toStdString();
    }
    ~RealServer()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

    bool installed() const { return m_installed; }
    bool running() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    quint16 port() const { return m_port; }
    std::string output() { return m_process.readAll().toStdString(); }

private:
    QProcess m_process;
    quint16 m_port;
    bool m_installed = true;
    std::string m_error;
};

// The words of a command line without blanks inside them, and a path that may hold blanks.
inline QStringList words(const std::string& text, const std::string& path = {})
{
    QStringList out = QString::fromStdString(text).split(u' ', Qt::SkipEmptyParts);
    return path.empty() ? out : out << QString::fromStdString(path);
}

inline std::string writeConfig(const QTemporaryDir& dir, const char* name, const std::string& text)
{
    const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
    std::ofstream(path) << text;
    return path;
}

// Linger 0: the close sends a reset instead of an orderly end.
inline void resetConnection(QTcpSocket* socket)
{
    const linger hard { 1, 0 };
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    socket->abort();
}

// tinyproxy on 127.0.0.1, plain HTTP and CONNECT; settings are added lines ("BasicAuth u p").
inline std::unique_ptr<RealServer> startTinyproxy(const QTemporaryDir& dir, const std::string& settings = {})
{
    const quint16 port = freePort();
    const std::string config = writeConfig(dir, "tinyproxy.conf",
        "Port " + std::to_string(port)
            + "\nListen 127.0.0.1\nAllow 127.0.0.1\nLogLevel Critical\nDisableViaHeader Yes\n" + settings);
    return std::make_unique<RealServer>(QStringLiteral("tinyproxy"), words("-d -c", config), port);
}

// squid on 127.0.0.1 with no cache; settings are added lines, before the access rules.
inline std::unique_ptr<RealServer> startSquid(const QTemporaryDir& dir, const std::string& settings = {})
{
    const quint16 port = freePort();
    const std::string d = dir.path().toStdString();
    // Run as root, squid works as user "proxy": it must be able to write its files here.
    QFile::setPermissions(dir.path(), QFile::Permissions::fromInt(0x7777));
    const std::string config = writeConfig(dir, "squid.conf",
        "http_port 127.0.0.1:" + std::to_string(port) + "\npid_filename " + d + "/squid.pid\ncache_log " + d
            + "/cache.log\ncoredump_dir " + d
            + "\naccess_log none\ncache_store_log none\ncache deny all\nnetdb_filename none\n"
              "pinger_enable off\nvisible_hostname loopback-squid\nshutdown_lifetime 0 seconds\n"
            + settings + "http_access allow localhost\nhttp_access deny all\n");
    // A service name of its own keeps its shared-memory segments apart from any other squid's.
    return std::make_unique<RealServer>(QStringLiteral("squid"),
        words("-N -n") << QStringLiteral("qvsquid%1").arg(port) << words("-f", config), port);
}

// danted (SOCKS4 and SOCKS5, no authentication) in one process; rules go before the final pass
// rule ("socks block { from: 0.0.0.0/0 to: 127.0.0.1/32 port = 9 }").
inline std::unique_ptr<RealServer> startDanted(const QTemporaryDir& dir, const std::string& rules = {})
{
    const quint16 port = freePort();
    // As root it must be told which users to switch to; as anyone else it stays who it is.
    const std::string users = geteuid() == 0 ? "user.privileged: root\nuser.unprivileged: nobody\n" : "";
    const std::string config = writeConfig(dir, "danted.conf",
        "logoutput: stderr\ninternal: 127.0.0.1 port = " + std::to_string(port) + "\nexternal: 127.0.0.1\n"
            + "clientmethod: none\nsocksmethod: none\n" + users
            + "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n" + rules
            + "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n");
    const std::string pidFile = dir.filePath(QStringLiteral("danted.pid")).toStdString();
    return std::make_unique<RealServer>(
        QStringLiteral("danted"), words("-f", config) << words("-p", pidFile) << words("-N 1"), port);
}

// microsocks (SOCKS5), with user name and password when user is not empty.
inline std::unique_ptr<RealServer> startMicrosocks(
    const std::string& user = {}, const std::string& password = {})
{
    const quint16 port = freePort();
    QStringList arguments = words("-i 127.0.0.1 -p", std::to_string(port));
    if (!user.empty())
        arguments << words("-u", user) << QStringLiteral("-P") << QString::fromStdString(password);
    return std::make_unique<RealServer>(QStringLiteral("microsocks"), arguments, port);
}

// A certificate authority and a certificate it signed for localhost and 127.0.0.1, made with
// "openssl req" in dir: ca.pem, <name>.pem and <name>.key. False when openssl failed.
inline bool makeCertificates(const QTemporaryDir& dir, const QString& name = QStringLiteral("judge"))
{
    auto run = [&](const QString& command) {
        QProcess openssl;
        openssl.setWorkingDirectory(dir.path());
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), command.split(u' '));
        return openssl.waitForFinished(30000) && openssl.exitCode() == 0;
    };
    const QString key = QStringLiteral("-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ");
    writeConfig(dir, "leaf.ext", "subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\n");
    return (QFile::exists(dir.filePath(QStringLiteral("ca.pem")))
               || run(QStringLiteral("req -x509 ") + key
                   + QStringLiteral("ca.key -out ca.pem -days 2 -subj /CN=LoopbackTestCA")))
        && run(
            QStringLiteral("req ") + key + QStringLiteral("%1.key -out %1.csr -subj /CN=localhost").arg(name))
        && run(QStringLiteral("x509 -req -in %1.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out %1.pem "
                              "-days 2 -extfile leaf.ext")
                   .arg(name));
}

} // namespace qv::test
