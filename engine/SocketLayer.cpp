#include "engine/SocketLayer.h"

#include "engine/Exchange.h"

namespace qv {

SocketLayer::SocketLayer(TcpSocket& socket)
    : m_socket(socket)
{
    TcpSocketEvents events;
    events.connected = [this] {
        if (!exchange().active())
            return;
        exchange().client().exchangeConnected(exchange());
        above()->onConnected();
    };
    events.dataArrival = [this](std::size_t) {
        if (exchange().active())
            drain();
    };
    events.peerClosed = [this] {
        if (!exchange().active())
            return;
        drain();
        if (exchange().active())
            above()->onClosed();
    };
    events.error = [this](int number, const std::string& description) { onError(number, description); };
    m_socket.setEvents(std::move(events));
}

void SocketLayer::send(std::string_view bytes)
{
    if (!m_socket.sendData(bytes))
        failUpLater(CheckResult::OtherError, "not connected");
}

void SocketLayer::drain()
{
    if (m_socket.bytesAvailable() == 0)
        return;
    std::string bytes = m_socket.getData();
    above()->onData(bytes);
}

void SocketLayer::onError(int number, const std::string& description)
{
    if (!exchange().active())
        return;
    drain();
    if (exchange().active())
        above()->onFailed({ resultOf(number), description });
}

CheckResult SocketLayer::resultOf(int errorNumber)
{
    switch (errorNumber) {
    case TcpSocket::ConnectionRefused:
        return CheckResult::Refused;
    case TcpSocket::ConnectionReset:
        return CheckResult::Reset;
    case TcpSocket::TimedOut:
        return CheckResult::TimedOut;
    case TcpSocket::HostNotFound:
        return CheckResult::NameNotFound;
    case TcpSocket::NetworkUnreachable:
        return CheckResult::Unreachable;
    default:
        return CheckResult::OtherError;
    }
}

} // namespace qv
