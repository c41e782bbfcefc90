#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/EpollHostResolver.h"
#include "platform/TcpSocket.h"

namespace qv {

class EpollEventLoop;

// TcpSocket on a non-blocking BSD socket watched by an EpollEventLoop (edge-triggered). Every
// event comes from the loop; what a call itself finds out (a connect refused by the kernel, a
// failed send) is posted to the loop first. A handler may close and reconnect the socket, or
// destroy it, from inside any of its events. Unlike the Qt socket, a reset by the peer is told
// apart from an orderly close and reported as an error.
class EpollTcpSocket final : public TcpSocket
{
public:
    // Bytes read ahead of the caller; the rest waits in the kernel, so a peer that floods
    // cannot exhaust memory between two reads.
    static constexpr std::size_t kReadBufferBytes = 1024 * 1024;
    // Writes longer than this switch off the delaying of small segments.
    static constexpr std::size_t kOneSegmentBytes = 512;

    static int errorNumber(int osError);

    explicit EpollTcpSocket(EpollEventLoop& loop);
    ~EpollTcpSocket() override;
    EpollTcpSocket(const EpollTcpSocket&) = delete;
    EpollTcpSocket& operator=(const EpollTcpSocket&) = delete;

    void setEvents(TcpSocketEvents events) override { m_events = std::move(events); }
    void close() override;
    void setRemoteHost(const std::string& host) override { m_host = host; }
    std::string remoteHost() const override { return m_host; }
    void setRemotePort(int port) override { m_port = port; }
    int remotePort() const override { return m_port; }
    bool connect() override;
    bool sendData(std::string_view bytes) override;
    std::string getData() override;
    std::size_t bytesAvailable() const override { return m_in.size(); }
    State state() const override { return m_state; }

private:
    friend class EpollEventLoop;

    // From the loop.
    void onIo(std::uint32_t events);
    void onPosted(int task, int number);
    void onResolved(EpollHostResolver::Result result);

    // Opens a socket for the next address and starts connecting; false when none is left.
    bool tryNextAddress(int& lastError);
    void releaseFd();
    // Reads what the kernel holds (up to the bound); then tells the handlers. Returns false when
    // the socket was closed, reconnected or destroyed by a handler.
    bool readAndDeliver();
    void flush();
    // Ends the connection with an error, keeping unread data; the event follows at once.
    void fail(int osError, const std::string& description);
    void postError(int osError);
    bool stillCurrent(std::uint64_t key) const;

    EpollEventLoop& m_loop;
    std::uint32_t m_slot;
    std::uint64_t m_key = 0; // names the current connection attempt; 0 while closed
    int m_fd = -1;
    TcpSocketEvents m_events;
    std::string m_host;
    int m_port = 0;
    State m_state = State::Closed;
    std::string m_in;
    std::string m_out;
    std::vector<EpollHostResolver::Address> m_addresses;
    std::size_t m_nextAddress = 0;
    bool m_hangup = false; // the peer's close (or an error) has been seen: read to the end
    bool m_peerFinished = false; // this wake-up brought the peer's orderly close and no error
    bool m_noDelay = false;
    bool m_readPaused = false; // stopped at the bound with data left in the kernel
    bool m_lookingUp = false;
};

} // namespace qv
