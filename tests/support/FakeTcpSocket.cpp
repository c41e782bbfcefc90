#include "support/FakeTcpSocket.h"

#include <algorithm>

namespace qv::test {

void FakeTcpSocket::close()
{
    m_generation.bump();
    m_state = State::Closed;
    m_incoming.clear();
    m_requestSeen = false;
}

bool FakeTcpSocket::connect()
{
    if (m_state != State::Closed || m_host.empty() || m_port < 1 || m_port > 65535)
        return false;
    m_state = State::Connecting;
    m_loop.m_connects.push_back({ m_loop.nowMs(), m_host, m_port });
    const PeerScript* script = m_loop.peer(m_host, m_port);
    if (!script || script->connect != PeerScript::Connect::Never)
        play({ script ? script->connectDelayMs : 1,
            script && script->connect == PeerScript::Connect::Accept ? PeerStep::Kind::Accept : PeerStep::Kind::Reset, {}, 1 });
    return true;
}

bool FakeTcpSocket::sendData(std::string_view bytes)
{
    if (m_state != State::Connected)
        return false;
    m_loop.m_sends.push_back({ m_loop.nowMs(), std::string(bytes) });
    if (const PeerScript* script = m_loop.peer(m_host, m_port); script && !std::exchange(m_requestSeen, true)) {
        for (PeerStep step : script->reply) {
            if (step.kind == PeerStep::Kind::Stream) // its first bytes come one period after the start
                step.afterMs += std::max<std::int64_t>(1, step.everyMs);
            play(step);
        }
    }
    return true;
}

void FakeTcpSocket::play(PeerStep step)
{
    auto alive = m_generation.alive();
    m_loop.post(
        step.afterMs,
        [this, alive, step] {
            if (!alive())
                return;
            switch (step.kind) {
            case PeerStep::Kind::Accept:
                m_state = State::Connected;
                if (m_events.connected)
                    m_events.connected();
                break;
            case PeerStep::Kind::Stream:
                play({ std::max<std::int64_t>(1, step.everyMs), step.kind, step.bytes, step.everyMs });
                [[fallthrough]];
            case PeerStep::Kind::Data:
                m_incoming += step.bytes;
                if (m_events.dataArrival)
                    m_events.dataArrival(step.bytes.size());
                break;
            case PeerStep::Kind::Close:
                if (m_events.peerClosed)
                    m_events.peerClosed();
                break;
            case PeerStep::Kind::Reset:
                m_state = State::Closed;
                if (m_events.error)
                    m_events.error(ConnectionReset, "Connection reset by peer");
                break;
            }
        },
        alive);
}

} // namespace qv::test
