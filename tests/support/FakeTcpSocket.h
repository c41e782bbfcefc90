#pragma once

#include <utility>

#include "platform/TcpSocket.h"
#include "support/FakeEventLoop.h"

namespace qv::test {

// A socket whose peer is a script of the fake loop. Every event goes through the loop's queue;
// closing the socket cancels what is still queued.
class FakeTcpSocket final : public TcpSocket {
public:
    explicit FakeTcpSocket(FakeEventLoop& loop)
        : m_loop(loop)
    {
    }
    ~FakeTcpSocket() override { std::erase(m_loop.m_sockets, this); }

    void setEvents(TcpSocketEvents events) override { m_events = std::move(events); }
    void close() override;
    void setRemoteHost(const std::string& host) override { m_host = host; }
    std::string remoteHost() const override { return m_host; }
    void setRemotePort(int port) override { m_port = port; }
    int remotePort() const override { return m_port; }
    bool connect() override;
    bool sendData(std::string_view bytes) override;
    std::string getData() override { return std::exchange(m_incoming, {}); }
    std::size_t bytesAvailable() const override { return m_incoming.size(); }
    State state() const override { return m_state; }

private:
    // The peer's side of one step, delivered as an event after its delay.
    void play(PeerStep step);

    FakeEventLoop& m_loop;
    TcpSocketEvents m_events;
    std::string m_host;
    int m_port = 0;
    State m_state = State::Closed;
    std::string m_incoming;
    bool m_requestSeen = false;
    Generation m_generation;
};

} // namespace qv::test
