#include "engine/LoopbackProxy.h"

#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <sys/socket.h>

namespace qv::test {

LoopbackProxy::LoopbackProxy(Mode mode, std::string level)
    : m_mode(mode)
    , m_level(std::move(level))
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackProxy::onConnection);
}

std::string LoopbackProxy::judgePage(const std::string& level)
{
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body><pre>REMOTE_ADDR = 127.0.0.1</pre>"
           "<p>Comment: your proxy</p><font color=\"blue\">"
        + level + "</font></body></html>\r\n";
}

quint16 LoopbackProxy::refusingPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
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
            };
            switch (m_mode) {
            case Mode::Working:
                send(page);
                socket->disconnectFromHost();
                break;
            case Mode::Failing:
                send("HTTP/1.0 502 Bad Gateway\r\n\r\n<html>comment: no judge here</html>");
                socket->disconnectFromHost();
                break;
            case Mode::Pieces: {
                const std::size_t at = page.find("Comment") + 4;
                send(page.substr(0, at));
                socket->flush();
                QTimer::singleShot(120, socket, [socket, send, page, at] {
                    send(page.substr(at, 40));
                    socket->flush();
                    QTimer::singleShot(120, socket, [socket, send, page, at] {
                        send(page.substr(at + 40));
                        socket->disconnectFromHost();
                    });
                });
                break;
            }
            case Mode::Never:
                break;
            case Mode::ResetMidAnswer: {
                // Qt reports a reset after data like an orderly close, so the cut falls before
                // the pass marker: the proxy must fail and the scan go on.
                send(page.substr(0, page.find("Comment") - 3));
                socket->flush();
                QTimer::singleShot(50, socket, [socket] {
                    // Linger 0: the close sends a reset instead of an orderly end.
                    linger hard { 1, 0 };
                    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                        sizeof hard);
                    socket->abort();
                });
                break;
            }
            case Mode::Endless: {
                send(page);
                auto* pump = new QTimer(socket);
                connect(pump, &QTimer::timeout, socket, [socket] {
                    if (socket->bytesToWrite() < 256 * 1024)
                        socket->write(QByteArray(64 * 1024, 'x'));
                });
                pump->start(1);
                break;
            }
            }
        });
    }
}

} // namespace qv::test
