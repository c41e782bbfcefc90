#include "support/FakeEventLoop.h"

#include <algorithm>
#include <utility>

#include "platform/Timer.h"

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
    m_loop.m_connects.push_back(m_loop.nowMs());
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
    m_loop.m_sends.emplace_back(bytes);
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

// A periodic timer on the fake loop's virtual clock.
class FakeTimer final : public Timer {
public:
    explicit FakeTimer(FakeEventLoop& loop)
        : m_loop(loop)
    {
    }
    void setOnTick(std::function<void()> onTick) override { m_onTick = std::move(onTick); }
    int interval() const override { return m_interval; }
    bool isEnabled() const override { return m_enabled; }
    void setInterval(int milliseconds) override
    {
        m_interval = milliseconds;
        if (m_enabled)
            arm();
    }
    void setEnabled(bool enabled) override
    {
        if (std::exchange(m_enabled, enabled) == enabled)
            return;
        m_generation.bump();
        if (enabled)
            arm();
    }

private:
    void arm()
    {
        m_generation.bump();
        if (m_interval <= 0)
            return;
        auto alive = m_generation.alive();
        m_loop.post(
            m_interval,
            [this, alive] {
                if (!alive())
                    return;
                ++m_loop.m_ticks;
                arm();
                if (m_onTick)
                    m_onTick();
            },
            alive);
    }

    FakeEventLoop& m_loop;
    std::function<void()> m_onTick;
    int m_interval = 0;
    bool m_enabled = false;
    Generation m_generation;
};

std::unique_ptr<TcpSocket> FakeEventLoop::createSocket()
{
    auto socket = std::make_unique<FakeTcpSocket>(*this);
    m_sockets.push_back(socket.get());
    return socket;
}

std::unique_ptr<Timer> FakeEventLoop::createTimer()
{
    return std::make_unique<FakeTimer>(*this);
}

void FakeEventLoop::post(std::int64_t delayMs, std::function<void()> event, std::function<bool()> alive)
{
    m_events.emplace(std::make_pair(m_now + std::max<std::int64_t>(0, delayMs), m_seq++), Event { std::move(event), std::move(alive) });
}

const std::pair<const std::pair<std::int64_t, std::uint64_t>, FakeEventLoop::Event>* FakeEventLoop::next()
{
    while (!m_events.empty() && !m_events.begin()->second.alive())
        m_events.erase(m_events.begin());
    return m_events.empty() ? nullptr : &*m_events.begin();
}

void FakeEventLoop::runNext()
{
    auto it = m_events.begin();
    m_now = std::max(m_now, it->first.first);
    auto event = std::move(it->second.run);
    m_events.erase(it);
    event();
}

std::size_t FakeEventLoop::pendingEvents()
{
    return std::count_if(m_events.begin(), m_events.end(), [](const auto& e) { return e.second.alive(); });
}

void FakeEventLoop::yield()
{
    ++m_yields;
    if (onYield)
        onYield();
    // Only what was due before the yield began, so a yield always ends.
    const std::uint64_t lastSeq = m_seq;
    for (auto* e = next(); e && e->first.first <= m_now && e->first.second < lastSeq; e = next())
        runNext();
}

void FakeEventLoop::runUntil(std::int64_t atMs)
{
    for (auto* e = next(); e && e->first.first <= atMs; e = next())
        runNext();
    m_now = std::max(m_now, atMs);
}

int FakeEventLoop::runUntilIdle()
{
    int count = 0;
    for (; next(); ++count)
        runNext();
    return count;
}

const PeerScript* FakeEventLoop::peer(const std::string& host, int port) const
{
    auto it = m_peers.find({ host, port });
    return it == m_peers.end() ? nullptr : &it->second;
}

} // namespace qv::test
