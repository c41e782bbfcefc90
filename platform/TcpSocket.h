#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace qv {

// Events of one client socket. They are always delivered from the event loop (or a yield),
// never from inside one of the socket's own operations.
struct TcpSocketEvents {
    std::function<void()> connected;
    std::function<void(std::size_t bytesTotal)> dataArrival;
    std::function<void(int number, const std::string& description)> error;
    // The peer closed its side; data that arrived before the close can still be read with getData().
    std::function<void()> peerClosed;
};

// An outgoing TCP connection. Bytes pass through unchanged: one byte per character.
class TcpSocket {
public:
    enum class State { Closed, Connecting, Connected };

    // Error numbers reported with the error event, the same on every implementation.
    enum ErrorNumber : int {
        ConnectionRefused = 10061,
        ConnectionReset = 10054,
        TimedOut = 10060,
        HostNotFound = 11001,
        NetworkUnreachable = 10051,
        AddressInUse = 10048,
        AccessDenied = 10013,
        OtherError = 10000,
    };

    virtual ~TcpSocket() = default;

    virtual void setEvents(TcpSocketEvents events) = 0;

    // Allowed in every state; raises no event; afterwards the socket can connect again.
    // Unread data is discarded.
    virtual void close() = 0;

    virtual void setRemoteHost(const std::string& host) = 0;
    virtual std::string remoteHost() const = 0;
    virtual void setRemotePort(int port) = 0;
    virtual int remotePort() const = 0;

    // Starts connecting to remoteHost:remotePort. Returns false, with no event to follow, when the
    // request is refused at once (socket not closed, empty host, port outside 1..65535).
    virtual bool connect() = 0;

    // Queues the bytes for sending in one piece. Returns false when not connected.
    virtual bool sendData(std::string_view bytes) = 0;

    // Takes all data received and not yet taken.
    virtual std::string getData() = 0;
    virtual std::size_t bytesAvailable() const = 0;

    virtual State state() const = 0;
};

} // namespace qv
