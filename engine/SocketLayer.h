#pragma once

#include "engine/Layer.h"
#include "platform/TcpSocket.h"

namespace qv {

// The bottom of a check's layer stack: the socket's events go up as layer events, the bytes sent
// down go to the socket, and a socket error becomes a failure with its result.
class SocketLayer final : public Layer {
public:
    explicit SocketLayer(TcpSocket& socket);

    void send(std::string_view bytes) override;
    // Passes up what the socket holds, if anything.
    void drain();

    static CheckResult resultOf(int errorNumber);

private:
    void onError(int number, const std::string& description);

    TcpSocket& m_socket;
};

} // namespace qv
