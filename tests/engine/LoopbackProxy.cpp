#include "engine/LoopbackProxy.h"

#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace qv::test {

namespace {
std::string judgePage(const std::string& level)
{
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body><pre>REMOTE_ADDR = 127.0.0.1</pre>"
           "<p>Comment: your proxy</p><font color=\"blue\">"
        + level + "</font></body></html>\r\n";
}

// Linger 0: the close sends a reset instead of an orderly end.
void resetNow(QTcpSocket* socket)
{
    const linger hard { 1, 0 };
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    socket->abort();
}
} // namespace

LoopbackProxy::LoopbackProxy(Mode mode, std::string level)
    : m_mode(mode)
    , m_level(std::move(level))
{
    if (m_mode == Mode::ReadsToBlankLine)
        m_server.takeRaw = [this](qintptr descriptor) { serveRaw(descriptor); };
    // A hundred sockets may connect at once; the default backlog would drop some of their SYNs.
    m_server.setListenBacklogSize(256);
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackProxy::onConnection);
}

quint16 LoopbackProxy::refusingPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed when probe goes
}

void LoopbackProxy::serveRaw(qintptr descriptor)
{
    const int fd = static_cast<int>(descriptor);
    auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, notifier, [this, fd, notifier] {
        char buffer[4096];
        const ssize_t seen = ::recv(fd, buffer, sizeof buffer, MSG_PEEK);
        const std::string_view peeked(buffer, seen > 0 ? static_cast<std::size_t>(seen) : 0);
        const std::size_t end = peeked.find("\r\n\r\n");
        if (seen > 0 && end == std::string_view::npos)
            return;
        notifier->setEnabled(false);
        notifier->deleteLater();
        if (seen > 0) {
            ++m_requests;
            m_lastRequest = peeked.substr(0, end + 4);
            [[maybe_unused]] const ssize_t taken = ::recv(fd, buffer, end + 4, 0);
            const std::string page = judgePage(m_level);
            [[maybe_unused]] const ssize_t sent = ::send(fd, page.data(), page.size(), MSG_NOSIGNAL);
        }
        ::close(fd);
    });
}


void LoopbackProxy::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        auto request = std::make_shared<std::string>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
            const QByteArray data = socket->readAll();
            const bool complete = request->find("\r\n\r\n") != std::string::npos;
            request->append(data.constData(), static_cast<std::size_t>(data.size()));
            if (complete || request->find("\r\n\r\n") == std::string::npos)
                return;
            ++m_requests;
            m_lastRequest = *request;
            const std::string page = judgePage(m_level);
            auto send = [socket](const std::string& bytes) {
                socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
                socket->flush();
            };
            switch (m_mode) {
            case Mode::Working:
            case Mode::Failing:
                send(m_mode == Mode::Working ? page : "HTTP/1.0 502 Bad Gateway\r\n\r\n<html>comment: no judge here</html>");
                socket->disconnectFromHost();
                break;
            case Mode::Never:
            case Mode::ReadsToBlankLine:
                break;
            case Mode::PageThenReset:
                send(page);
                resetNow(socket);
                break;
            case Mode::PageThenLateReset:
                send(page);
                QTimer::singleShot(200, socket, [socket] { resetNow(socket); });
                break;
            case Mode::ResetBeforeAnswer:
                resetNow(socket);
                break;
            }
        });
    }
}

} // namespace qv::test
