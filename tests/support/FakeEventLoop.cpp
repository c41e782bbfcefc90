#include "support/FakeEventLoop.h"

#include <algorithm>

#include "support/FakeTcpSocket.h"
#include "support/FakeTimer.h"

namespace qv::test {

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
