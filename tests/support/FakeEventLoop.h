#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/TcpSocket.h"

namespace qv::test {

class FakeTcpSocket;

// One scripted step of a fake proxy, timed from the moment the request reaches it.
struct PeerStep {
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
struct PeerScript {
    enum class Connect { Accept, Refuse, Never };
    Connect connect = Connect::Accept;
    std::int64_t connectDelayMs = 1;
    std::vector<PeerStep> reply;

    static PeerScript answering(std::string bytes, std::int64_t afterMs = 5)
    {
        PeerScript script;
        script.reply = { { afterMs, PeerStep::Kind::Data, std::move(bytes), 1 }, { afterMs, PeerStep::Kind::Close, {}, 1 } };
        return script;
    }
};

// A deterministic event loop with a virtual clock in milliseconds. Nothing happens until the test
// runs the loop; events due at the same time run in the order they were posted.
class FakeEventLoop final : public EventLoop {
public:
    std::unique_ptr<TcpSocket> createSocket() override;
    std::unique_ptr<Timer> createTimer() override;
    // Runs the events already due when it is called, after the onYield hook.
    void yield() override;
    std::int64_t nowMs() const override { return m_now; }

    // An event whose alive test fails when its time comes is dropped without moving the clock, so
    // a cancelled timeout leaves no trace.
    void post(std::int64_t delayMs, std::function<void()> event, std::function<bool()> alive);
    // Runs every event due up to and including the time atMs, then sets the clock there.
    void runUntil(std::int64_t atMs);
    void advanceBy(std::int64_t ms) { runUntil(m_now + ms); }
    // Runs until nothing is queued; returns the number of events run.
    int runUntilIdle();
    // Live events still queued.
    std::size_t pendingEvents();

    void setPeer(const std::string& host, int port, PeerScript script) { m_peers[{ host, port }] = std::move(script); }
    const PeerScript* peer(const std::string& host, int port) const;

    // Sockets alive now, in creation order.
    const std::vector<TcpSocket*>& sockets() const { return m_sockets; }
    // The times of every connect, and every request sent.
    const std::vector<std::int64_t>& connects() const { return m_connects; }
    const std::vector<std::string>& sends() const { return m_sends; }
    int yieldCount() const { return m_yields; }
    int timerTicks() const { return m_ticks; }

    // Called at the start of each yield (a test puts user actions here).
    std::function<void()> onYield;

private:
    friend class FakeTcpSocket;
    friend class FakeTimer;
    struct Event {
        std::function<void()> run;
        std::function<bool()> alive;
    };
    // The first live event, dead ones before it dropped; null when none is queued.
    const std::pair<const std::pair<std::int64_t, std::uint64_t>, Event>* next();
    void runNext();

    std::int64_t m_now = 0;
    std::uint64_t m_seq = 0;
    std::map<std::pair<std::int64_t, std::uint64_t>, Event> m_events;
    std::map<std::pair<std::string, int>, PeerScript> m_peers;
    std::vector<TcpSocket*> m_sockets;
    std::vector<std::int64_t> m_connects;
    std::vector<std::string> m_sends;
    int m_yields = 0;
    int m_ticks = 0;
};

// Queued events of an object check its generation: bumping it (or destroying the object) cancels them.
class Generation {
public:
    void bump() { ++*m_value; }
    std::function<bool()> alive() const
    {
        return [life = std::weak_ptr<std::uint64_t>(m_value), at = *m_value] {
            auto held = life.lock();
            return held && *held == at;
        };
    }

private:
    std::shared_ptr<std::uint64_t> m_value = std::make_shared<std::uint64_t>(0);
};

} // namespace qv::test
