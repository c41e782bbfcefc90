#include "support/FakeTcpSocket.h"

#include <algorithm>

#include "support/FakeEventLoop.h"

namespace qv::test {

FakeTcpSocket::FakeTcpSocket(FakeEventLoop& loop)
    : m_loop(loop)
    , m_generation(std::make_shared<std::uint64_t>(0))
{
}

FakeTcpSocket::~FakeTcpSocket()
{
    ++*m_generation;
    m_loop.forget(this);
}

void FakeTcpSocket::schedule(std::int64_t delayMs, std::function<void()> action)
{
    std::weak_ptr<std::uint64_t> life = m_generation;
    const std::uint64_t generation = *m_generation;
    auto alive = [life, generation] {
        auto held = life.lock();
        return held && *held == generation;
    };
    m_loop.post(
        delayMs,
        [alive, action = std::move(action)] {
            if (alive())
                action();
        },
        alive);
}

void FakeTcpSocket::close()
{
    ++*m_generation;
    m_state = State::Closed;
    m_incoming.clear();
    m_requestSeen = false;
}

bool FakeTcpSocket::connect()
{
    if (m_state != State::Closed || m_host.empty() || m_port < 1 || m_port > 65535)
        return false;
    m_state = State::Connecting;
    m_sent.clear();
    m_loop.m_connects.push_back({ m_loop.nowMs(), m_host, m_port });
    const PeerScript* script = m_loop.peer(m_host, m_port);
    if (!script) {
        peerReset(1);
        return true;
    }
    switch (script->connect) {
    case PeerScript::Connect::Accept:
        peerAccept(script->connectDelayMs);
        break;
    case PeerScript::Connect::Refuse:
        peerReset(script->connectDelayMs);
        break;
    case PeerScript::Connect::Never:
        break;
    }
    return true;
}

bool FakeTcpSocket::sendData(std::string_view bytes)
{
    if (m_state != State::Connected)
        return false;
    m_sent.append(bytes);
    m_loop.m_sends.push_back({ m_loop.nowMs(), m_host, m_port, std::string(bytes) });
    if (!m_requestSeen) {
        m_requestSeen = true;
        if (const PeerScript* script = m_loop.peer(m_host, m_port))
            playScript(*script);
    }
    return true;
}

std::string FakeTcpSocket::getData()
{
    std::string data;
    data.swap(m_incoming);
    return data;
}

void FakeTcpSocket::peerAccept(std::int64_t delayMs)
{
    schedule(delayMs, [this] {
        m_state = State::Connected;
        if (m_events.connected)
            m_events.connected();
    });
}

void FakeTcpSocket::peerSend(std::string bytes, std::int64_t delayMs)
{
    schedule(delayMs, [this, bytes = std::move(bytes)] {
        m_incoming += bytes;
        m_peakUnread = std::max(m_peakUnread, m_incoming.size());
        if (m_events.dataArrival)
            m_events.dataArrival(bytes.size());
    });
}

void FakeTcpSocket::peerClose(std::int64_t delayMs)
{
    schedule(delayMs, [this] {
        if (m_events.peerClosed)
            m_events.peerClosed();
    });
}

void FakeTcpSocket::peerReset(std::int64_t delayMs)
{
    schedule(delayMs, [this] {
        m_state = State::Closed;
        if (m_events.error)
            m_events.error(ConnectionReset, "Connection reset by peer");
    });
}

void FakeTcpSocket::streamFrom(std::string bytes, std::int64_t everyMs)
{
    schedule(everyMs, [this, bytes = std::move(bytes), everyMs]() mutable {
        m_incoming += bytes;
        m_peakUnread = std::max(m_peakUnread, m_incoming.size());
        streamFrom(bytes, everyMs);
        if (m_events.dataArrival)
            m_events.dataArrival(bytes.size());
    });
}

void FakeTcpSocket::playScript(const PeerScript& script)
{
    for (const PeerStep& step : script.reply) {
        switch (step.kind) {
        case PeerStep::Kind::Data:
            peerSend(step.bytes, step.afterMs);
            break;
        case PeerStep::Kind::Close:
            peerClose(step.afterMs);
            break;
        case PeerStep::Kind::Reset:
            peerReset(step.afterMs);
            break;
        case PeerStep::Kind::Stream:
            schedule(step.afterMs, [this, bytes = step.bytes, every = std::max<std::int64_t>(1, step.everyMs)] {
                streamFrom(bytes, every);
            });
            break;
        }
    }
}

} // namespace qv::test
