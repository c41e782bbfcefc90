#include "support/FakeEventLoop.h"

#include <algorithm>

#include "support/FakeTcpSocket.h"
#include "support/FakeTimer.h"

namespace qv::test {

FakeEventLoop::FakeEventLoop() = default;
FakeEventLoop::~FakeEventLoop() = default;

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

void FakeEventLoop::forget(FakeTcpSocket* socket)
{
    m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), socket), m_sockets.end());
}

void FakeEventLoop::post(std::int64_t delayMs, std::function<void()> event, std::function<bool()> alive)
{
    m_events.emplace(std::make_pair(m_now + std::max<std::int64_t>(0, delayMs), m_seq++),
        Event { std::move(event), std::move(alive) });
}

void FakeEventLoop::dropDead()
{
    while (!m_events.empty()) {
        auto it = m_events.begin();
        if (!it->second.alive || it->second.alive())
            return;
        m_events.erase(it);
    }
}

std::size_t FakeEventLoop::pendingEvents()
{
    std::size_t n = 0;
    for (const auto& [key, event] : m_events)
        n += !event.alive || event.alive();
    return n;
}

void FakeEventLoop::yield()
{
    ++m_yields;
    if (onYield)
        onYield();
    // Only what was due before the yield began, so a yield always ends.
    const std::uint64_t lastSeq = m_seq;
    for (;;) {
        dropDead();
        if (m_events.empty())
            break;
        auto it = m_events.begin();
        if (it->first.first > m_now || it->first.second >= lastSeq)
            break;
        auto event = std::move(it->second.run);
        m_events.erase(it);
        event();
    }
}

bool FakeEventLoop::runNext()
{
    dropDead();
    if (m_events.empty())
        return false;
    auto it = m_events.begin();
    m_now = std::max(m_now, it->first.first);
    auto event = std::move(it->second.run);
    m_events.erase(it);
    event();
    return true;
}

void FakeEventLoop::runUntil(std::int64_t atMs)
{
    for (dropDead(); !m_events.empty() && m_events.begin()->first.first <= atMs; dropDead())
        runNext();
    m_now = std::max(m_now, atMs);
}

int FakeEventLoop::runUntilIdle(int maxEvents, std::int64_t maxTimeMs)
{
    int count = 0;
    for (dropDead(); count < maxEvents && !m_events.empty() && m_events.begin()->first.first <= maxTimeMs;
         dropDead()) {
        runNext();
        ++count;
    }
    return count;
}

void FakeEventLoop::setPeer(const std::string& host, int port, PeerScript script)
{
    m_peers[{ host, port }] = std::move(script);
}

const PeerScript* FakeEventLoop::peer(const std::string& host, int port) const
{
    auto it = m_peers.find({ host, port });
    return it == m_peers.end() ? nullptr : &it->second;
}

} // namespace qv::test
