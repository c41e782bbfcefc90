#pragma once

#include <cstdint>
#include <memory>

#include "platform/TcpSocket.h"

namespace qv::test {

class FakeEventLoop;
struct PeerScript;

// A socket whose peer is a script of the fake loop or the test itself (peerSend and friends).
// Every event goes through the loop's queue; closing the socket cancels what is still queued.
class FakeTcpSocket final : public TcpSocket {
public:
    explicit FakeTcpSocket(FakeEventLoop& loop);
    ~FakeTcpSocket() override;

    void setEvents(TcpSocketEvents events) override { m_events = std::move(events); }
    void close() override;
    void setRemoteHost(const std::string& host) override { m_host = host; }
    std::string remoteHost() const override { return m_host; }
    void setRemotePort(int port) override { m_port = port; }
    int remotePort() const override { return m_port; }
    bool connect() override;
    bool sendData(std::string_view bytes) override;
    std::string getData() override;
    std::size_t bytesAvailable() const override { return m_incoming.size(); }
    State state() const override { return m_state; }

    // The peer's side, each delivered as an event after delayMs.
    void peerAccept(std::int64_t delayMs = 0);
    void peerSend(std::string bytes, std::int64_t delayMs = 0);
    void peerClose(std::int64_t delayMs = 0);
    void peerReset(std::int64_t delayMs = 0);

    const std::string& sentBytes() const { return m_sent; }
    // The most data ever held unread, to check that nothing piles up.
    std::size_t peakUnread() const { return m_peakUnread; }

private:
    void schedule(std::int64_t delayMs, std::function<void()> action);
    void playScript(const PeerScript& script);
    void streamFrom(std::string bytes, std::int64_t everyMs);

    FakeEventLoop& m_loop;
    TcpSocketEvents m_events;
    std::string m_host;
    int m_port = 0;
    State m_state = State::Closed;
    std::string m_incoming;
    std::string m_sent;
    bool m_requestSeen = false;
    std::size_t m_peakUnread = 0;
    // Bumped by close(); queued events of an earlier connection see the change and do nothing.
    std::shared_ptr<std::uint64_t> m_generation;
};

} // namespace qv::test
