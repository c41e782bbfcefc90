#include "support/LoopbackNameServer.h"

#include <QNetworkDatagram>
#include <QTimer>

namespace qv::test {

LoopbackNameServer::LoopbackNameServer(int delayMs)
    : m_delayMs(delayMs)
{
    m_socket.bind(QHostAddress::LocalHost, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, &LoopbackNameServer::onReadyRead);
}

std::string LoopbackNameServer::address() const
{
    return "127.0.0.1:" + std::to_string(m_socket.localPort());
}

int LoopbackNameServer::questions(const std::string& name) const
{
    const auto it = m_questions.find(name);
    return it == m_questions.end() ? 0 : it->second;
}

void LoopbackNameServer::onReadyRead()
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
        QTimer::singleShot(m_delayMs, this, [this, reply, to = datagram.senderAddress(), port = datagram.senderPort()] {
            m_socket.writeDatagram(reply, to, port);
        });
    }
}

} // namespace qv::test
