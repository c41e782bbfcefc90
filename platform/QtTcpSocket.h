#pragma once

#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <cstdint>

#include "platform/TcpSocket.h"

namespace qv {

// TcpSocket on QTcpSocket. Each connection gets its own QTcpSocket, so that nothing Qt still has
// to say about an old connection (a late error, a disconnect) can reach the next one, and a
// handler may close and reconnect from inside any event (but must not destroy the socket there).
// Qt cannot tell a reset from an orderly close once connected: both arrive as peerClosed.
class QtTcpSocket final : public QObject, public TcpSocket
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtTcpSocket)

public:
    // Bytes Qt reads ahead of the caller; the rest waits in the kernel, so a peer that floods
    // cannot exhaust memory between two reads.
    static constexpr qint64 kReadBufferBytes = 1024 * 1024;

    QtTcpSocket();
    ~QtTcpSocket() override;

    void setEvents(TcpSocketEvents events) override { m_events = std::move(events); }
    void close() override;
    void setRemoteHost(const std::string& host) override { m_host = host; }
    std::string remoteHost() const override { return m_host; }
    void setRemotePort(int port) override { m_port = port; }
    int remotePort() const override { return m_port; }
    bool connect() override;
    bool sendData(std::string_view bytes) override;
    std::string getData() override;
    std::size_t bytesAvailable() const override;
    State state() const override { return m_state; }

    static int errorNumber(QAbstractSocket::SocketError error);

private:
    void onConnected();
    void onReadyRead();
    void onErrorOccurred(QAbstractSocket::SocketError error);
    void onDisconnected();
    void onPeerClosed();
    // Moves what Qt has buffered into m_leftover before the QTcpSocket goes.
    void keepUnreadData();
    void releaseSocket();
    // Runs f now, or from the event loop when called inside one of our own operations.
    template <typename F> void deliver(F&& f);

    TcpSocketEvents m_events;
    QTcpSocket* m_socket = nullptr;
    std::string m_host;
    int m_port = 0;
    State m_state = State::Closed;
    // Data left over from a connection that ended (peer close or error), readable until close().
    std::string m_leftover;
    std::uint64_t m_generation = 0;
    int m_busy = 0;
    int m_emitting = 0;
    bool m_peerClosedRaised = false;
};

} // namespace qv
