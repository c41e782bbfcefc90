#pragma once

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "support/RealServers.h"

namespace qv::test {

// A proxy on 127.0.0.1 that answers judge requests in one scripted way, for real-socket tests.
class LoopbackProxy final : public QObject
{
public:
    enum class Mode {
        Working, // the judge page, then close
        Failing, // an error page, then close
        Never, // accepts, reads, never answers
        PageThenReset, // the judge page, then at once a reset
        PageThenLateReset, // the judge page, a reset 200 ms later
        ReadsToBlankLine, // reads only up to the first blank line, answers and closes: the kernel resets
        ResetBeforeAnswer, // reads the request, resets without a byte
        CloseBeforeAnswer, // reads the request, closes without a byte
    };

    explicit LoopbackProxy(Mode mode, std::string level = "3")
        : m_mode(mode)
        , m_page("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><pre>REMOTE_ADDR = 127.0.0.1</pre><p>Comment: "
                 "your proxy</p><font color=\"blue\">"
              + level + "</font></html>\r\n")
    {
        // A hundred sockets may connect at once; the default backlog would drop some of their SYNs.
        m_server.setListenBacklogSize(256);
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, &LoopbackProxy::onConnection);
    }
    quint16 port() const { return m_server.serverPort(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port()); }
    int requests() const { return m_requests; }
    std::string lastRequest() const { return m_lastRequest; }

private:
    void onConnection()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            if (m_mode == Mode::ReadsToBlankLine) // the rest of the request stays unread: the close resets
                socket->setReadBufferSize(1);
            auto request = std::make_shared<std::string>();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
                if (request->find("\r\n\r\n") != std::string::npos)
                    return;
                request->append(socket->readAll().toStdString());
                if (request->find("\r\n\r\n") == std::string::npos)
                    return;
                ++m_requests;
                m_lastRequest = *request;
                if (m_mode != Mode::Never && m_mode != Mode::ResetBeforeAnswer && m_mode != Mode::CloseBeforeAnswer) {
                    socket->write(m_mode == Mode::Failing
                            ? "HTTP/1.0 502 Bad Gateway\r\n\r\n<html>comment: no judge here</html>"
                            : m_page.c_str());
                    socket->flush();
                }
                if (m_mode == Mode::Working || m_mode == Mode::Failing || m_mode == Mode::ReadsToBlankLine
                    || m_mode == Mode::CloseBeforeAnswer)
                    socket->disconnectFromHost();
                else if (m_mode == Mode::PageThenReset || m_mode == Mode::ResetBeforeAnswer)
                    resetConnection(socket);
                else if (m_mode == Mode::PageThenLateReset)
                    QTimer::singleShot(200, socket, [socket] { resetConnection(socket); });
            });
        }
    }

    QTcpServer m_server;
    Mode m_mode;
    std::string m_page;
    int m_requests = 0;
    std::string m_lastRequest;
};

// A name server on 127.0.0.1 for look-up tests, run on Qt's loop. It answers each question after
// delayMs: an A question with 127.0.0.1, any other type with no records; a name beginning with
// "never" gets no answer at all, one beginning with "missing" is answered "no such name".
class LoopbackNameServer final : public QObject
{
public:
    explicit LoopbackNameServer(int delayMs = 0)
        : m_delayMs(delayMs)
    {
        m_socket.bind(QHostAddress::LocalHost, 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, &LoopbackNameServer::onReadyRead);
    }
    // "127.0.0.1:port", as a resolver's server setting takes it.
    std::string address() const { return "127.0.0.1:" + std::to_string(m_socket.localPort()); }
    // A questions seen for name (lower case, no final dot).
    int questions(const std::string& name) const
    {
        return m_questions.contains(name) ? m_questions.at(name) : 0;
    }

private:
    void onReadyRead()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            const QByteArray query = datagram.data();
            // Header, then one question: labels, type and class.
            std::string name;
            qsizetype at = 12;
            while (at < query.size() && query[at] != 0) {
                const int length = static_cast<unsigned char>(query[at]);
                name += (name.empty() ? "" : ".") + query.mid(at + 1, length).toLower().toStdString();
                at += length + 1;
            }
            if (at + 5 > query.size() || name.starts_with("never"))
                continue;
            const bool typeA = query[at + 1] == 0 && query[at + 2] == 1;
            m_questions[name] += typeA ? 1 : 0;
            const bool missing = name.starts_with("missing");
            // The question, under a header saying: an answer, recursion available, no such name or
            // one record (for A only).
            QByteArray reply = query.left(at + 5).replace(2, 10, QByteArray("\x81\x80\0\1\0\0\0\0\0\0", 10));
            reply[3] = missing ? '\x83' : '\x80';
            if (typeA && !missing) {
                reply[7] = 1;
                reply.append("\xc0\x0c\0\1\0\1\0\0\0\x3c\0\4\x7f\0\0\1", 16); // 127.0.0.1, 60 s
            }
            QTimer::singleShot(
                m_delayMs, this, [this, reply, to = datagram.senderAddress(), port = datagram.senderPort()] {
                    m_socket.writeDatagram(reply, to, port);
                });
        }
    }

    QUdpSocket m_socket;
    int m_delayMs;
    std::map<std::string, int> m_questions;
};

} // namespace qv::test
