// The socket and timer contract, run against every event loop: Qt's, the epoll loop on its own,
// and the epoll loop inside Qt's. Servers are Qt sockets on loopback; every wait is bounded.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

#include "platform/EpollEventLoop.h"
#include "platform/EpollTcpSocket.h"
#include "platform/QtEpollEventLoop.h"
#include "platform/QtEventLoop.h"
#include "platform/QtTcpSocket.h"
#include "support/RealServers.h"

namespace qv {
namespace {

static_assert(EpollTcpSocket::kReadBufferBytes == static_cast<std::size_t>(QtTcpSocket::kReadBufferBytes));
constexpr std::size_t kReadAhead = EpollTcpSocket::kReadBufferBytes;

enum class Kind { Qt, Epoll, EpollInQt };

struct Recorder {
    int connected = 0, arrivals = 0, errors = 0, peerClosed = 0, lastError = 0;
    std::string data;

    int events() const { return connected + arrivals + errors + peerClosed; }
    TcpSocketEvents events(TcpSocket& socket, bool readOnArrival = true)
    {
        TcpSocketEvents e;
        e.connected = [this] { ++connected; };
        e.dataArrival = [this, &socket, readOnArrival](std::size_t total) {
            ++arrivals;
            EXPECT_EQ(total, socket.bytesAvailable());
            if (readOnArrival)
                data += socket.getData();
        };
        e.error = [this](int number, const std::string& text) {
            ++errors, lastError = number;
            EXPECT_FALSE(text.empty());
        };
        e.peerClosed = [this] { ++peerClosed; };
        return e;
    }
};

class LoopTest : public testing::TestWithParam<Kind> {
protected:
    LoopTest()
    {
        if (GetParam() == Kind::Epoll)
            m_loop.reset(m_epoll = new EpollEventLoop);
        else
            m_loop = GetParam() == Kind::Qt ? std::unique_ptr<EventLoop>(new QtEventLoop) : std::make_unique<QtEpollEventLoop>();
    }
    // One round of both loops: the test's Qt servers and the loop under test.
    void pump(int waitMs)
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents, m_epoll ? 0 : waitMs);
        if (m_epoll)
            m_epoll->processEvents(std::min(waitMs, 2));
    }
    template <typename F> bool runUntil(F done, int boundMs = 5000)
    {
        for (QDeadlineTimer deadline(boundMs); !done() && !deadline.hasExpired();)
            pump(10);
        return done();
    }
    void runFor(int ms) { runUntil([] { return false; }, ms); }
    bool epollBased() const { return GetParam() != Kind::Qt; }

    std::unique_ptr<EventLoop> m_loop;
    EpollEventLoop* m_epoll = nullptr;
};

std::string kindName(const testing::TestParamInfo<Kind>& info)
{
    return info.param == Kind::Qt ? "Qt" : info.param == Kind::Epoll ? "Epoll" : "EpollInQt";
}

class SocketContract : public LoopTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* peer = m_server.nextPendingConnection()) {
                m_peers.append(peer);
                QObject::connect(peer, &QTcpSocket::readyRead, peer, [this, peer] { m_received += peer->readAll(); });
            }
        });
    }
    std::unique_ptr<TcpSocket> make(Recorder& rec, bool readOnArrival = true)
    {
        auto socket = m_loop->createSocket();
        socket->setEvents(rec.events(*socket, readOnArrival));
        return socket;
    }
    void aim(TcpSocket& socket, const std::string& host = "127.0.0.1", int port = 0)
    {
        socket.setRemoteHost(host), socket.setRemotePort(port ? port : m_server.serverPort());
    }
    void connectSocket(TcpSocket& socket, Recorder& rec)
    {
        const qsizetype peers = m_peers.size();
        const int connected = rec.connected;
        aim(socket);
        ASSERT_TRUE(socket.connect());
        ASSERT_TRUE(runUntil([&] { return rec.connected == connected + 1 && m_peers.size() > peers; }));
        EXPECT_EQ(socket.state(), TcpSocket::State::Connected);
    }
    QTcpSocket* lastPeer() const { return m_peers.isEmpty() ? nullptr : m_peers.last().data(); }
    // The last peer sends its last bytes and closes: with a reset, or orderly.
    void endPeer(const QByteArray& bytes, bool reset)
    {
        lastPeer()->write(bytes);
        lastPeer()->flush();
        reset ? test::resetConnection(lastPeer()) : lastPeer()->disconnectFromHost();
    }

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_peers;
    QByteArray m_received;
};

TEST_P(SocketContract, ExactBytesAndLargeTransfersTravelBothWaysAndAFloodIsBounded)
{
    Recorder rec;
    auto socket = make(rec);
    connectSocket(*socket, rec);
    std::string request = "GET http://judge.example/azenv.php HTTP/1.0\r\n\r\n\r\n";
    // More than the kernel's buffers take at once: the rest waits in the socket.
    for (int i = 0; i < (32 << 20); ++i)
        request.push_back(static_cast<char>(i));
    ASSERT_TRUE(socket->sendData(request));
    ASSERT_TRUE(runUntil([&] { return m_received.size() >= static_cast<qsizetype>(request.size()); }, 20000));
    EXPECT_EQ(m_received.toStdString(), request);
    QByteArray big = QByteArray("HTTP/1.0 200 OK\r\n\r\nComment\0\xff", 28);
    for (qsizetype i = 0; i < static_cast<qsizetype>(kReadAhead * 3 + 123); ++i)
        big += static_cast<char>(i * 31 + i / 7);
    lastPeer()->write(big);
    ASSERT_TRUE(runUntil([&] { return rec.data.size() >= static_cast<std::size_t>(big.size()); }, 20000));
    EXPECT_TRUE(rec.data == big.toStdString());
    EXPECT_EQ(rec.errors, 0);

    Recorder flooded;
    auto reader = make(flooded, false);
    connectSocket(*reader, flooded);
    lastPeer()->write(QByteArray(static_cast<qsizetype>(kReadAhead * 8), 'x'));
    ASSERT_TRUE(runUntil([&] { return reader->bytesAvailable() >= kReadAhead; }));
    runFor(100);
    EXPECT_LE(reader->bytesAvailable(), kReadAhead);
    std::size_t total = 0; // taking the data lets the rest in
    EXPECT_TRUE(runUntil([&] { return (total += reader->getData().size()) >= kReadAhead * 8; }, 20000));
    EXPECT_EQ(total, kReadAhead * 8);
}

// Refused, unroutable (which the kernel may refuse inside the connect call itself) and unknown
// names fail with one error from the loop, never from inside connect().
TEST_P(SocketContract, FailedConnectsAreOneEventFromTheLoop)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const int closedPort = closed.serverPort();
    closed.close();
    const std::tuple<std::string, int, int> rows[]
        = { { "127.0.0.1", closedPort, TcpSocket::ConnectionRefused }, { "255.255.255.255", 80, 0 },
              { "no-such-host.invalid", 80, TcpSocket::HostNotFound } };
    for (const auto& [host, port, error] : rows) {
        SCOPED_TRACE(host);
        Recorder rec;
        auto socket = make(rec);
        aim(*socket, host, port);
        ASSERT_TRUE(socket->connect());
        EXPECT_EQ(rec.events(), 0) << "an event from inside connect()";
        EXPECT_TRUE(error != TcpSocket::HostNotFound || socket->state() == TcpSocket::State::Connecting)
            << "the look-up does not stall the loop";
        ASSERT_TRUE(runUntil([&] { return rec.errors > 0; }, 30000));
        runFor(50);
        EXPECT_EQ(rec.events(), 1);
        EXPECT_TRUE(!error || rec.lastError == error) << rec.lastError;
        EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
    }
}

TEST_P(SocketContract, PeerCloseOrResetKeepsEarlierDataAndCloseDiscardsIt)
{
    Recorder rec;
    auto socket = make(rec, false);
    for (const bool reset : { false, true }) {
        SCOPED_TRACE(reset ? "reset" : "close");
        connectSocket(*socket, rec);
        endPeer("last words", reset);
        ASSERT_TRUE(runUntil([&] { return rec.errors + rec.peerClosed > 0; }));
        runFor(50);
        EXPECT_EQ(rec.errors + rec.peerClosed, 1) << "one end";
        // Qt cannot tell a reset from a close.
        const int resetError = reset && epollBased() ? TcpSocket::ConnectionReset : 0;
        EXPECT_EQ(std::pair(rec.errors, rec.lastError), std::pair(resetError ? 1 : 0, resetError));
        EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
        EXPECT_EQ(socket->bytesAvailable(), 10u);
        EXPECT_EQ(socket->getData(), "last words");
        EXPECT_EQ(socket->getData(), "");
        EXPECT_FALSE(socket->sendData("late"));
        rec.errors = rec.peerClosed = 0;
    }
    connectSocket(*socket, rec);
    endPeer("unread", false);
    ASSERT_TRUE(runUntil([&] { return rec.peerClosed > 0; }));
    socket->close();
    EXPECT_EQ(socket->bytesAvailable(), 0u);
    EXPECT_EQ(socket->getData(), "");
}

// Bad requests are refused at once. Close in every state, and destroying, raise nothing later, also
// for a look-up, data or a failure on its way, and keep no descriptor.
TEST_P(SocketContract, ConnectRefusesBadRequestsAndCloseIsSilentInEveryState)
{
    Recorder rec;
    auto socket = make(rec);
    socket->close();
    const std::pair<std::string, int> bad[] = { { "", m_server.serverPort() }, { "127.0.0.1", 0 } };
    for (const auto& [host, port] : bad) {
        socket->setRemoteHost(host), socket->setRemotePort(port);
        EXPECT_FALSE(socket->connect()) << host << ":" << port;
    }
    EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
    EXPECT_FALSE(socket->sendData("x")) << "not connected";
    const auto openFds = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto fds = openFds();
    for (int i = 0; i < 20; ++i) {
        aim(*socket);
        ASSERT_TRUE(socket->connect());
        socket->close();
    }
    EXPECT_EQ(openFds(), fds) << "a closed socket keeps no descriptor";
    for (const std::string host : { "127.0.0.1", "localhost", "255.255.255.255" }) {
        aim(*socket, host);
        ASSERT_TRUE(socket->connect());
        socket->close();
    }
    connectSocket(*socket, rec);
    lastPeer()->write("late data");
    lastPeer()->flush();
    socket->close();
    auto destroyed = make(rec); // a failure posted for a socket then destroyed goes nowhere
    aim(*destroyed, "255.255.255.255", 80);
    ASSERT_TRUE(destroyed->connect());
    destroyed.reset();
    runFor(100);
    EXPECT_EQ(rec.events(), 1) << "only the connect";
    rec.connected = 0;
    aim(*socket, "localhost");
    ASSERT_TRUE(socket->connect());
    EXPECT_FALSE(socket->connect()) << "already connecting";
    ASSERT_TRUE(runUntil([&] { return rec.events() > 0; }));
    EXPECT_EQ(rec.connected, 1);
    EXPECT_FALSE(socket->connect()) << "already connected";
    runFor(30);
    EXPECT_EQ(rec.events(), 1);
}

TEST_P(SocketContract, HandlerMayCloseReconnectOrDestroyInsideAnEvent)
{
    Recorder rec;
    std::unique_ptr<TcpSocket> socket = m_loop->createSocket();
    TcpSocketEvents events = rec.events(*socket);
    events.dataArrival = [&](std::size_t) {
        rec.data += socket->getData();
        socket->close();
        if (rec.data.size() < 4 * 6)
            EXPECT_TRUE(socket->connect());
        else if (epollBased()) // a Qt socket must outlive its own events; an epoll socket may go inside one
            socket.reset();
    };
    events.connected = [&] {
        ++rec.connected;
        EXPECT_TRUE(socket->sendData("hello"));
    };
    socket->setEvents(events);
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        QTcpSocket* peer = m_peers.last();
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] {
            peer->write("answer");
            peer->disconnectFromHost();
        });
    });
    aim(*socket);
    ASSERT_TRUE(socket->connect());
    ASSERT_TRUE(runUntil([&] { return rec.data.size() >= 4 * 6; }));
    runFor(50);
    EXPECT_EQ(rec.connected, 4);
    EXPECT_EQ(rec.data, "answeransweransweranswer");
    EXPECT_EQ(rec.errors, 0);
}

// Two sockets whose data is reported in one batch, each handler destroying the other socket:
// whichever runs first, the other's event must never reach the destroyed socket.
TEST_P(SocketContract, ASocketDestroyedWhileItsEventsWaitIsNotTouched)
{
    std::unique_ptr<TcpSocket> sockets[2];
    Recorder recs[2];
    int handled = 0;
    for (int i = 0; i < 2; ++i) {
        sockets[i] = make(recs[i]);
        connectSocket(*sockets[i], recs[i]);
        TcpSocketEvents e;
        e.dataArrival = [&, i](std::size_t) { ++handled, sockets[1 - i].reset(); };
        sockets[i]->setEvents(e);
    }
    for (int i = 0; i < 2; ++i)
        m_peers[i]->write("data"), m_peers[i]->flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // both arrive before the loop looks
    ASSERT_TRUE(runUntil([&] { return handled > 0; }));
    runFor(50);
    EXPECT_EQ(handled, 1);
}

// A socket destroyed in its own event frees its slot and descriptor, which the socket made next
// takes over: the old connection's later end (and a reset) must not reach the new one.
TEST_P(SocketContract, ANewSocketInADestroyedSocketsSlotGetsNoStaleEvent)
{
    if (!epollBased())
        GTEST_SKIP() << "a Qt socket must outlive its own events";
    for (const bool reset : { false, true }) {
        Recorder old, fresh;
        auto socket = make(old);
        connectSocket(*socket, old);
        std::unique_ptr<TcpSocket> next;
        TcpSocketEvents e = old.events(*socket);
        e.dataArrival = [this, &old, &socket, &next, &fresh](std::size_t) {
            auto* self = this; // the handler goes with its socket: only locals are used after
            auto& made = next;
            Recorder& rec = fresh;
            ++old.arrivals;
            socket.reset();
            made = self->make(rec);
            self->aim(*made);
            EXPECT_TRUE(made->connect());
        };
        socket->setEvents(e);
        endPeer("bye", reset);
        ASSERT_TRUE(runUntil([&] { return fresh.connected == 1; }));
        runFor(100);
        EXPECT_EQ(old.events(), 2);
        EXPECT_EQ(fresh.events(), 1) << "only its own connect";
        EXPECT_EQ(next->state(), TcpSocket::State::Connected);
    }
}

INSTANTIATE_TEST_SUITE_P(Loops, SocketContract, testing::Values(Kind::Qt, Kind::Epoll, Kind::EpollInQt), kindName);

// Timers compare the order of ticks of two timers, never clock readings, so a slow machine delays
// them without changing the outcome.
class TimerContract : public LoopTest {
protected:
    std::unique_ptr<Timer> make(char name, int interval = 0, bool enabled = false)
    {
        auto timer = m_loop->createTimer();
        timer->setOnTick([this, name] { m_ticks.push_back(name); });
        timer->setInterval(interval);
        timer->setEnabled(enabled);
        return timer;
    }
    bool runUntilTicks(std::size_t n) { return runUntil([&] { return m_ticks.size() >= n; }); }

    std::vector<char> m_ticks;
};

TEST_P(TimerContract, TicksEveryIntervalOnlyWhileEnabledWithAPositiveInterval)
{
    auto t = make('t', 20);
    runFor(60);
    EXPECT_TRUE(m_ticks.empty()) << "a disabled timer never ticks";
    t->setEnabled(true);
    ASSERT_TRUE(runUntilTicks(3));
    t->setEnabled(false);
    std::size_t ticks = m_ticks.size();
    runFor(60);
    EXPECT_EQ(m_ticks.size(), ticks) << "disabling stops it";
    for (const int interval : { 0, -5 }) {
        t->setInterval(interval);
        t->setEnabled(true);
        runFor(50);
        EXPECT_EQ(m_ticks.size(), ticks) << "an interval of 0 or less never ticks";
    }
    // Long work that yields (loading a list during a scan) lets due ticks through.
    t->setInterval(20);
    for (QDeadlineTimer bound(5000); m_ticks.size() == ticks && !bound.hasExpired();)
        m_loop->yield();
    EXPECT_EQ(m_ticks.size(), ticks + 1);
}

// Timer a starts, b starts the same interval later, then one is changed: which ticks first?
TEST_P(TimerContract, WhatRestartsARunningTimer)
{
    constexpr int kInterval = 250;
    const std::pair<std::function<void(Timer&, Timer&)>, char> rows[] = {
        { [](Timer& a, Timer&) { a.setEnabled(true); }, 'a' }, // enabling a running timer changes nothing
        { [](Timer& a, Timer&) { a.setEnabled(false), a.setEnabled(true); }, 'b' }, // a full interval again
        { [](Timer& a, Timer&) { a.setInterval(kInterval); }, 'b' }, // a new interval restarts it
        { [](Timer&, Timer& b) { b.setInterval(kInterval / 5); }, 'b' }, // an earlier deadline comes first
    };
    for (const auto& [change, first] : rows) {
        m_ticks.clear();
        auto a = make('a', kInterval, true);
        runFor(80);
        auto b = make('b', kInterval, true);
        change(*a, *b);
        ASSERT_TRUE(m_ticks.empty()) << "machine too slow for this test";
        ASSERT_TRUE(runUntilTicks(2));
        EXPECT_EQ(m_ticks[0], first);
    }
}

TEST_P(TimerContract, HandlersMayRestartTheirOwnTimerOrDestroyAnother)
{
    auto t = make('t', 10, true);
    Timer* raw = t.get();
    t->setOnTick([this, raw] {
        m_ticks.push_back('t');
        raw->setEnabled(false);
        if (m_ticks.size() < 3)
            raw->setEnabled(true);
    });
    ASSERT_TRUE(runUntilTicks(3));
    runFor(50);
    EXPECT_EQ(m_ticks.size(), 3u);
    EXPECT_FALSE(t->isEnabled());

    // Two timers due together: the first to tick destroys the other, which then never ticks.
    std::unique_ptr<Timer> pair[2] = { make('x', 10, true), make('y', 10, true) };
    for (int i = 0; i < 2; ++i)
        pair[i]->setOnTick([this, &pair, i] {
            m_ticks.push_back(i == 0 ? 'x' : 'y');
            pair[1 - i].reset();
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(runUntilTicks(8));
    const auto xs = std::count(m_ticks.begin(), m_ticks.end(), 'x'), ys = std::count(m_ticks.begin(), m_ticks.end(), 'y');
    EXPECT_TRUE((xs == 0) != (ys == 0)) << "only the survivor ticks, and it goes on ticking";
}

// Posted calls run on a later turn, never inside the call that posts them, in the order posted: a
// call posted from a posted call comes after those posted before it, one posted from a tick after
// the tick.
TEST_P(TimerContract, PostedCallsRunOnALaterTurnInOrder)
{
    if (m_epoll) { // on its own, the epoll loop does not sleep while a call waits, however long it may
        auto far = make('f', 10000, true);
        m_loop->post([this] { m_ticks.push_back('x'); });
        m_epoll->processEvents(-1);
        EXPECT_EQ(m_ticks, (std::vector<char> { 'x' }));
        m_ticks.clear();
    }
    m_loop->post([this] {
        m_ticks.push_back('a');
        m_loop->post([this] { m_ticks.push_back('c'); });
    });
    m_loop->post([this] { m_ticks.push_back('b'); });
    EXPECT_TRUE(m_ticks.empty());
    ASSERT_TRUE(runUntilTicks(3));
    auto t = make('t', 10, true);
    t->setOnTick([this, &t] {
        t->setEnabled(false);
        m_loop->post([this] { m_ticks.push_back('p'); });
        m_ticks.push_back('t');
    });
    ASSERT_TRUE(runUntilTicks(5));
    EXPECT_EQ(m_ticks, (std::vector<char> { 'a', 'b', 'c', 't', 'p' }));
}

// A timer destroyed in its own tick: the one made next (often at the same address) has its own
// long interval and must not tick on the old one's schedule.
TEST_P(TimerContract, ANewTimerAfterOneDestroyedInItsTickKeepsItsOwnInterval)
{
    if (!epollBased())
        GTEST_SKIP() << "a Qt timer must outlive its own tick";
    std::unique_ptr<Timer> timer = make('o', 10, true), next;
    timer->setOnTick([this, &timer, &next] {
        auto* self = this; // the handler goes with its timer: only locals are used after
        auto& made = next;
        m_ticks.push_back('o');
        timer.reset();
        made = self->make('n', 60000, true);
    });
    ASSERT_TRUE(runUntilTicks(1));
    runFor(100);
    EXPECT_EQ(m_ticks, std::vector<char> { 'o' });
    EXPECT_TRUE(next && next->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Loops, TimerContract, testing::Values(Kind::Qt, Kind::Epoll, Kind::EpollInQt), kindName);

} // namespace
} // namespace qv
