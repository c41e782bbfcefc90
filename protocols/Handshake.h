#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace qv {

// One conversation that opens a tunnel through a proxy (CONNECT, SOCKS): it makes the bytes to
// send and reads the proxy's replies, and owns no socket, so a reply may arrive in any pieces.
class Handshake {
public:
    enum class State { Working, Open, Failed };

    virtual ~Handshake() = default;
    Handshake(const Handshake&) = delete;
    Handshake& operator=(const Handshake&) = delete;

    // The bytes to send once connected to the proxy; empty when the unit failed at once.
    virtual std::string start() = 0;

    // Takes bytes from the proxy; returns the bytes to send in answer (often none). Bytes after
    // the tunnel is open are kept for the layer above (takeTunnelBytes).
    std::string feed(std::string_view bytes)
    {
        if (m_state == State::Failed || bytes.empty())
            return {};
        m_in.append(bytes);
        if (m_state == State::Open)
            return {};
        return step();
    }

    // Forgets the last conversation, so that the unit opens its tunnel again from the start.
    virtual void restart()
    {
        m_state = State::Working;
        m_reason = {};
        m_in.clear();
    }

    State state() const { return m_state; }
    std::string_view reason() const { return m_reason; }
    // The first bytes that came through the open tunnel (a peer may send them with its reply).
    std::string takeTunnelBytes() { return m_state == State::Open ? std::exchange(m_in, {}) : std::string(); }

protected:
    Handshake() = default;
    // Reads m_in: consumes what it has taken, sets the state, returns what to send next.
    virtual std::string step() = 0;
    std::string fail(std::string_view reason)
    {
        m_state = State::Failed;
        m_reason = reason;
        m_in.clear();
        return {};
    }
    void open(std::size_t replySize)
    {
        m_state = State::Open;
        m_in.erase(0, replySize);
    }

    std::string m_in;

private:
    State m_state = State::Working;
    std::string_view m_reason;
};

} // namespace qv
