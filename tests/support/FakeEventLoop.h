#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/TcpSocket.h"
#include "platform/Timer.h"

namespace qv::test {

// One scripted step of a fake proxy, timed from the moment the request reaches it.
struct PeerStep
{
    enum class Kind {
        Data, // sends bytes
        Close, // closes its side (end of an HTTP/1.0 answer)
        Reset, // resets the connection: the client sees an error
        Stream, // sends bytes every everyMs, without end
        Accept, // accepts the connection (played at the connect)
    };
    std::int64_t afterMs = 0;
    Kind kind = Kind::Data;
    std::string bytes;
    std::int64_t everyMs = 1;
};

// How a fake proxy behaves. A host:port without a script refuses connections.
struct PeerScript
{
    enum class Connect { Accept, Refuse, Never };
    Connect connect = Connect::Accept;
    std::int64_t connectDelayMs = 1;
    std::vector<PeerStep> reply;

    static PeerScript answering(std::string bytes, std::int64_t afterMs = 5)
    {
        PeerScript script;
        script.reply = { { afterMs, PeerStep::Kind::Data, std::move(bytes), 1 },
            { afterMs, PeerStep::Kind::Close, {}, 1 } };
        return script;
    }
};

// Queued events of an object hold its token weakly: a new token (or the object's end) cancels them.
class Generation
{
public:
    void bump() { m_token = std::make_shared<char>(); }
    std::function<bool()> alive() const
    {
        return [token = std::weak_ptr(m_token)] { return !token.expired(); };
    }

private:
    std::shared_ptr<char> m_token = std::make_shared<char>();
};

// A deterministic event loop with a virtual clock in milliseconds. Nothing happens until the test
// runs the loop; events due at the same time run in the order they were posted.
class FakeEventLoop final : public EventLoop
{
public:
    std::unique_ptr<TcpSocket> createSocket() override;
    std::unique_ptr<Timer> createTimer() override;
    std::int64_t nowMs() const override { return m_now; }
    // Runs the events already due when it is called (only those: a yield always ends), after onYield.
    void yield() override
    {
        if (onYield)
            onYield();
        const std::uint64_t lastSeq = m_seq;
        for (auto e = next(); e != m_events.end() && e->first.first <= m_now && e->first.second < lastSeq;
             e = next())
            runNext();
    }

    void post(std::function<void()> call) override
    {
        post(0, std::move(call), [] { return true; });
    }
    // An event whose alive test fails when its time comes is dropped without moving the clock, so
    // a cancelled timeout leaves no trace.
    void post(std::int64_t delayMs, std::function<void()> event, std::function<bool()> alive)
    {
        m_events.emplace(std::make_pair(m_now + std::max<std::int64_t>(0, delayMs), m_seq++),
            Event { std::move(event), std::move(alive) });
    }
    // Runs every event due up to and including the time atMs, then sets the clock there.
    void runUntil(std::int64_t atMs)
    {
        for (auto e = next(); e != m_events.end() && e->first.first <= atMs; e = next())
            runNext();
        m_now = std::max(m_now, atMs);
    }
    // Runs until nothing is queued; returns the number of events run.
    int runUntilIdle()
    {
        int count = 0;
        for (; next() != m_events.end(); ++count)
            runNext();
        return count;
    }
    // Live events still queued.
    std::size_t pendingEvents() const
    {
        return std::count_if(
            m_events.begin(), m_events.end(), [](const auto& e) { return e.second.alive(); });
    }

    void setPeer(const std::string& host, int port, PeerScript script)
    {
        m_peers[{ host, port }] = std::move(script);
    }
    const PeerScript* peer(const std::string& host, int port) const
    {
        auto it = m_peers.find({ host, port });
        return it == m_peers.end() ? nullptr : &it->second;
    }

    // Sockets alive now, in creation order.
    const std::vector<TcpSocket*>& sockets() const { return m_sockets; }
    // The times of every connect.
    const std::vector<std::int64_t>& connects() const { return m_connects; }
    // What every connected socket was given to send, one entry per call.
    const std::vector<std::string>& sent() const { return m_sent; }

    // Called at the start of each yield (a test puts user actions here).
    std::function<void()> onYield;

private:
    friend class FakeTcpSocket;
    struct Event
    {
        std::function<void()> run;
        std::function<bool()> alive;
    };
    using Events = std::map<std::pair<std::int64_t, std::uint64_t>, Event>;
    // The first live event, dead ones before it dropped.
    Events::iterator next()
    {
        while (!m_events.empty() && !m_events.begin()->second.alive())
            m_events.erase(m_events.begin());
        return m_events.begin();
    }
    void runNext()
    {
        m_now = std::max(m_now, m_events.begin()->first.first);
        auto event = std::move(m_events.begin()->second.run);
        m_events.erase(m_events.begin());
        event();
    }

    std::int64_t m_now = 0;
    std::uint64_t m_seq = 0;
    Events m_events;
    std::map<std::pair<std::string, int>, PeerScript> m_peers;
    std::vector<TcpSocket*> m_sockets;
    std::vector<std::int64_t> m_connects;
    std::vector<std::string> m_sent;
};

// A socket whose peer is a script of the fake loop. Every event goes through the loop's queue;
// closing the socket cancels what is still queued.
class FakeTcpSocket final : public TcpSocket
{
public:
    explicit FakeTcpSocket(FakeEventLoop& loop)
        : m_loop(loop)
    {
        m_loop.m_sockets.push_back(this);
    }
    ~FakeTcpSocket() override { std::erase(m_loop.m_sockets, this); }

    void setEvents(TcpSocketEvents events) override { m_events = std::move(events); }
    void setRemoteHost(const std::string& host) override { m_host = host; }
    std::string remoteHost() const override { return m_host; }
    void setRemotePort(int port) override { m_port = port; }
    int remotePort() const override { return m_port; }
    std::string getData() override { return std::exchange(m_incoming, {}); }
    std::size_t bytesAvailable() const override { return m_incoming.size(); }
    State state() const override { return m_state; }
    void close() override
    {
        m_generation.bump();
        m_state = State::Closed;
        m_incoming.clear();
        m_requestSeen = false;
    }
    bool connect() override
    {
        if (m_state != State::Closed || m_host.empty() || m_port < 1 || m_port > 65535)
            return false;
        m_state = State::Connecting;
        m_loop.m_connects.push_back(m_loop.nowMs());
        const PeerScript* script = m_loop.peer(m_host, m_port);
        if (!script || script->connect != PeerScript::Connect::Never)
            play({ script ? script->connectDelayMs : 1,
                script && script->connect == PeerScript::Connect::Accept ? PeerStep::Kind::Accept
                                                                         : PeerStep::Kind::Reset,
                {}, 1 });
        return true;
    }
    bool sendData(std::string_view bytes) override
    {
        if (m_state != State::Connected)
            return false;
        m_loop.m_sent.emplace_back(bytes);
        if (const PeerScript* script = m_loop.peer(m_host, m_port);
            script && !std::exchange(m_requestSeen, true)) {
            for (PeerStep step : script->reply) {
                if (step.kind == PeerStep::Kind::Stream) // its first bytes come one period after the start
                    step.afterMs += std::max<std::int64_t>(1, step.everyMs);
                play(step);
            }
        }
        return true;
    }

private:
    // The peer's side of one step, delivered as an event after its delay.
    void play(PeerStep step)
    {
        m_loop.post(
            step.afterMs,
            [this, step] {
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
            m_generation.alive());
    }

    FakeEventLoop& m_loop;
    TcpSocketEvents m_events;
    std::string m_host;
    int m_port = 0;
    State m_state = State::Closed;
    std::string m_incoming;
    bool m_requestSeen = false;
    Generation m_generation;
};

// A periodic timer on the fake loop's virtual clock.
class FakeTimer final : public Timer
{
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
        m_loop.post(
            m_interval,
            [this] {
                arm();
                if (m_onTick)
                    m_onTick();
            },
            m_generation.alive());
    }

    FakeEventLoop& m_loop;
    std::function<void()> m_onTick;
    int m_interval = 0;
    bool m_enabled = false;
    Generation m_generation;
};

inline std::unique_ptr<TcpSocket> FakeEventLoop::createSocket()
{
    return std::make_unique<FakeTcpSocket>(*this);
}
inline std::unique_ptr<Timer> FakeEventLoop::createTimer()
{
    return std::make_unique<FakeTimer>(*this);
}

} // namespace qv::test
