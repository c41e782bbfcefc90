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
        if (typeA)
            ++m_questions[name];
        const bool missing = name.starts_with("missing");
        QByteArray reply = query.left(at + 5);
        reply[2] = static_cast<char>(0x81); // an answer to a recursive question
        reply[3] = static_cast<char>(missing ? 0x83 : 0x80); // recursion available; NXDOMAIN or not
        reply[6] = 0;
        reply[7] = typeA && !missing ? 1 : 0;
        for (int i = 8; i < 12; ++i)
            reply[i] = 0;
        if (typeA && !missing)
            reply.append("\xc0\x0c\x00\x01\x00\x01\x00\x00\x00\x3c\x00\x04\x7f\x00\x00\x01", 16);
        QTimer::singleShot(m_delayMs, this, [this, reply, to = datagram.senderAddress(), port = datagram.senderPort()] {
            m_socket.writeDatagram(reply, to, port);
        });
    }
}

} // namespace qv::test
