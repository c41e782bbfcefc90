// The socket and timer contract, run against every event loop: Qt's, the epoll loop on its own,
// and the epoll loop inside Qt's. Servers are Qt sockets on loopback; every wait is bounded.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <thread>

#include "platform/EpollEventLoop.h"
#include "platform/EpollTcpSocket.h"
#include "platform/QtEpollEventLoop.h"
#include "platform/QtEventLoop.h"
#include "platform/QtTcpSocket.h"

namespace qv {
namespace {

static_assert(EpollTcpSocket::kReadBufferBytes == static_cast<std::size_t>(QtTcpSocket::kReadBufferBytes));
constexpr std::size_t kReadAhead = EpollTcpSocket::kReadBufferBytes;

enum class Kind { Qt, Epoll, EpollInQt };

std::string kindName(const testing::TestParamInfo<Kind>& info)
{
    switch (info.param) {
    case Kind::Qt:
        return "Qt";
    case Kind::Epoll:
        return "Epoll";
    case Kind::EpollInQt:
        return "EpollInQt";
    }
    return "?";
}

struct Recorder
{
    int connected = 0;
    int arrivals = 0;
    int errors = 0;
    int peerClosed = 0;
    int lastError = 0;
    std::string data;
    bool insideOperation = false;
    bool deliveredInside = false;

    int events() const { return connected + arrivals + errors + peerClosed; }

    TcpSocketEvents events(TcpSocket& socket, bool readOnArrival = true)
    {
        TcpSocketEvents e;
        e.connected = [this] {
            deliveredInside |= insideOperation;
            ++connected;
        };
        e.dataArrival = [this, &socket, readOnArrival](std::size_t total) {
            deliveredInside |= insideOperation;
            ++arrivals;
            EXPECT_EQ(total, socket.bytesAvailable());
            if (readOnArrival)
                data += socket.getData();
        };
        e.error = [this](int number, const std::string& description) {
            deliveredInside |= insideOperation;
            ++errors;
            lastError = number;
            EXPECT_FALSE(description.empty());
        };
        e.peerClosed = [this] {
            deliveredInside |= insideOperation;
            ++peerClosed;
        };
        return e;
    }
};

class LoopTest : public testing::TestWithParam<Kind>
{
protected:
    LoopTest()
    {
        switch (GetParam()) {
        case Kind::Qt:
            m_loop = std::make_unique<QtEventLoop>();
            break;
        case Kind::Epoll: {
            auto loop = std::make_unique<EpollEventLoop>();
            m_epoll = loop.get();
            m_loop = std::move(loop);
            break;
        }
        case Kind::EpollInQt:
            m_loop = std::make_unique<QtEpollEventLoop>();
            break;
        }
    }

    // One round of both loops: the test's Qt servers and the loop under test.
    void pump(int waitMs)
    {
        if (m_epoll) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            m_epoll->processEvents(std::min(waitMs, 2));
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents, waitMs);
        }
    }
    template <typename F> bool runUntil(F done, int boundMs = 5000)
    {
        QDeadlineTimer deadline(boundMs);
        while (!done() && !deadline.hasExpired())
            pump(10);
        return done();
    }
    void runFor(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired())
            pump(5);
    }

    std::unique_ptr<EventLoop> m_loop;
    EpollEventLoop* m_epoll = nullptr;
};

class SocketContract : public LoopTest
{
protected:
    void SetUp() override
    {
        m_server.setListenBacklogSize(256);
        ASSERT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* peer = m_server.nextPendingConnection()) {
                m_peers.append(peer);
                QObject::connect(
                    peer, &QTcpSocket::readyRead, peer, [this, peer] { m_received += peer->readAll(); });
            }
        });
    }
    std::unique_ptr<TcpSocket> make(Recorder& rec, bool readOnArrival = true)
    {
        auto socket = m_loop->createSocket();
        socket->setEvents(rec.events(*socket, readOnArrival));
        return socket;
    }
    void connectSocket(TcpSocket& socket, Recorder& rec)
    {
        const qsizetype peers = m_peers.size();
        const int connected = rec.connected;
        socket.setRemoteHost("127.0.0.1");
        socket.setRemotePort(m_server.serverPort());
        ASSERT_TRUE(socket.connect());
        ASSERT_TRUE(runUntil([&] { return rec.connected == connected + 1 && m_peers.size() > peers; }));
        EXPECT_EQ(socket.state(), TcpSocket::State::Connected);
    }
    QTcpSocket* lastPeer() const { return m_peers.isEmpty() ? nullptr : m_peers.last().data(); }
    bool epollBased() const { return GetParam() != Kind::Qt; }

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_peers;
    QByteArray m_received;
};

TEST_P(SocketContract, ExactBytesTravelBothWays)
{
    Recorder rec;
    auto socket = make(rec);
    connectSocket(*socket, rec);
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    const std::string request = "GET http://judge.example/azenv.php HTTP/1.0\r\n\r\n\r\n" + all;
    ASSERT_TRUE(socket->sendData(request));
    ASSERT_TRUE(runUntil([&] { return m_received.size() >= static_cast<qsizetype>(request.size()); }));
    EXPECT_EQ(m_received.toStdString(), request);

    const QByteArray answer = QByteArray("HTTP/1.0 200 OK\r\n\r\nComment\0\xff", 28);
    lastPeer()->write(answer);
    ASSERT_TRUE(runUntil([&] { return rec.data.size() >= static_cast<std::size_t>(answer.size()); }));
    EXPECT_EQ(rec.data, answer.toStdString());
    EXPECT_EQ(rec.errors, 0);
    EXPECT_FALSE(rec.deliveredInside);
}

TEST_P(SocketContract, LargeTransfersArriveWholeAndAFloodIsBounded)
{
    Recorder rec;
    auto socket = make(rec);
    connectSocket(*socket, rec);
    QByteArray big(static_cast<qsizetype>(kReadAhead * 3 + 123), '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 31 + i / 7);
    lastPeer()->write(big);
    ASSERT_TRUE(runUntil([&] { return rec.data.size() >= static_cast<std::size_t>(big.size()); }, 20000));
    EXPECT_TRUE(rec.data == big.toStdString());
    // A request larger than the kernel takes at once goes out whole too.
    const std::string request(4 * 1024 * 1024, 'r');
    ASSERT_TRUE(socket->sendData(request));
    ASSERT_TRUE(runUntil([&] { return m_received.size() >= static_cast<qsizetype>(request.size()); }, 20000));
    EXPECT_TRUE(m_received.toStdString() == request);

    Recorder flooded;
    auto reader = make(flooded, false);
    connectSocket(*reader, flooded);
    lastPeer()->write(QByteArray(static_cast<qsizetype>(kReadAhead * 8), 'x'));
    ASSERT_TRUE(runUntil([&] { return reader->bytesAvailable() >= kReadAhead; }));
    runFor(100);
    EXPECT_LE(reader->bytesAvailable(), kReadAhead);
    // Taking the data lets the rest in.
    std::size_t total = reader->getData().size();
    ASSERT_TRUE(runUntil(
        [&] {
            total += reader->getData().size();
            return total >= kReadAhead * 8;
        },
        20000));
    EXPECT_EQ(total, kReadAhead * 8);
}

TEST_P(SocketContract, RefusedAndImmediateFailuresAreEventsFromTheLoop)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();

    Recorder rec;
    auto socket = make(rec);
    socket->setRemoteHost("127.0.0.1");
    socket->setRemotePort(port);
    rec.insideOperation = true;
    ASSERT_TRUE(socket->connect());
    rec.insideOperation = false;
    ASSERT_TRUE(runUntil([&] { return rec.errors > 0; }));
    EXPECT_EQ(rec.lastError, QtTcpSocket::ConnectionRefused);
    EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
    runFor(50);
    EXPECT_EQ(rec.errors, 1) << "one error per failed connect";

    // Unroutable for TCP: the kernel may refuse this inside the connect call itself.
    Recorder broadcast;
    auto other = make(broadcast);
    other->setRemoteHost("255.255.255.255");
    other->setRemotePort(80);
    broadcast.insideOperation = true;
    ASSERT_TRUE(other->connect());
    broadcast.insideOperation = false;
    EXPECT_EQ(broadcast.events(), 0);
    ASSERT_TRUE(runUntil([&] { return broadcast.errors > 0; }));
    EXPECT_EQ(broadcast.connected, 0);
    EXPECT_FALSE(rec.deliveredInside || broadcast.deliveredInside);
}

TEST_P(SocketContract, PeerCloseKeepsEarlierDataAndCloseDiscardsIt)
{
    Recorder rec;
    auto socket = make(rec, false);
    connectSocket(*socket, rec);
    lastPeer()->write("last words");
    lastPeer()->disconnectFromHost();
    ASSERT_TRUE(runUntil([&] { return rec.peerClosed > 0; }));
    EXPECT_EQ(rec.errors, 0);
    EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
    EXPECT_EQ(socket->bytesAvailable(), 10u);
    EXPECT_EQ(socket->getData(), "last words");
    EXPECT_EQ(socket->getData(), "");
    runFor(50);
    EXPECT_EQ(rec.peerClosed, 1);
    EXPECT_FALSE(socket->sendData("late"));

    connectSocket(*socket, rec);
    lastPeer()->write("unread");
    lastPeer()->disconnectFromHost();
    ASSERT_TRUE(runUntil([&] { return rec.peerClosed > 1; }));
    socket->close();
    EXPECT_EQ(socket->bytesAvailable(), 0u);
    EXPECT_EQ(socket->getData(), "");
}

// What arrived before a reset stays readable, so the scan can judge it.
TEST_P(SocketContract, AResetIsAnErrorOnTheEpollSocketsAndKeepsTheDataBeforeIt)
{
    Recorder rec;
    auto socket = make(rec, false);
    connectSocket(*socket, rec);
    QTcpSocket* peer = lastPeer();
    const linger abortive { 1, 0 };
    ASSERT_EQ(::setsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                  sizeof abortive),
        0);
    peer->write("partial");
    peer->flush();
    peer->abort();
    ASSERT_TRUE(runUntil([&] { return rec.errors + rec.peerClosed > 0; }));
    if (epollBased()) {
        EXPECT_EQ(rec.errors, 1);
        EXPECT_EQ(rec.lastError, EpollTcpSocket::ConnectionReset);
    } else {
        EXPECT_EQ(rec.peerClosed, 1) << "Qt cannot tell a reset from a close";
    }
    EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
    EXPECT_EQ(socket->getData(), "partial");
    runFor(30);
    EXPECT_EQ(rec.errors + rec.peerClosed, 1);
}

TEST_P(SocketContract, ConnectRefusesBadRequestsAtOnce)
{
    Recorder rec;
    auto socket = make(rec);
    socket->setRemotePort(m_server.serverPort());
    EXPECT_FALSE(socket->connect()) << "empty host";
    socket->setRemoteHost("127.0.0.1");
    for (int port : { 0, 65536, -80 }) {
        socket->setRemotePort(port);
        EXPECT_FALSE(socket->connect()) << port;
    }
    EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
    EXPECT_FALSE(socket->sendData("x")) << "not connected";
    socket->setRemotePort(m_server.serverPort());
    ASSERT_TRUE(socket->connect());
    EXPECT_FALSE(socket->connect()) << "already connecting";
    ASSERT_TRUE(runUntil([&] { return rec.connected == 1; }));
    EXPECT_FALSE(socket->connect()) << "already connected";
    runFor(30);
    EXPECT_EQ(rec.errors, 0);
}

TEST_P(SocketContract, CloseIsSilentInEveryStateAndTheSocketConnectsAgain)
{
    Recorder rec;
    auto socket = make(rec);
    socket->close();
    socket->setRemoteHost("127.0.0.1");
    socket->setRemotePort(m_server.serverPort());
    ASSERT_TRUE(socket->connect());
    socket->close();
    runFor(100);
    EXPECT_EQ(rec.events(), 0) << "a closed socket raises nothing";

    connectSocket(*socket, rec);
    lastPeer()->write("late data");
    lastPeer()->flush();
    socket->close();
    runFor(100);
    EXPECT_EQ(rec.arrivals + rec.errors + rec.peerClosed, 0);

    // A failure already on its way is dropped by close too.
    socket->setRemoteHost("255.255.255.255");
    ASSERT_TRUE(socket->connect());
    socket->close();
    runFor(50);
    EXPECT_EQ(rec.errors, 0);

    socket->setRemoteHost("127.0.0.1");
    rec.connected = 0;
    connectSocket(*socket, rec);
}

TEST_P(SocketContract, HandlerMayCloseReconnectOrDestroyInsideAnEvent)
{
    Recorder rec;
    std::unique_ptr<TcpSocket> socket = m_loop->createSocket();
    int reconnects = 0;
    bool done = false;
    TcpSocketEvents events;
    events.dataArrival = [&](std::size_t) {
        rec.data += socket->getData();
        ++rec.arrivals;
        socket->close();
        if (reconnects < 3) {
            ++reconnects;
            EXPECT_TRUE(socket->connect());
        } else {
            done = true;
            // The Qt socket must outlive its own events; the epoll socket may go inside one.
            if (epollBased())
                socket.reset();
        }
    };
    events.connected = [&] {
        ++rec.connected;
        EXPECT_TRUE(socket->sendData("hello"));
    };
    events.error = [&](int, const std::string&) { ++rec.errors; };
    socket->setEvents(events);
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        QTcpSocket* peer = m_peers.last();
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] {
            peer->write("answer");
            peer->disconnectFromHost();
        });
    });
    socket->setRemoteHost("127.0.0.1");
    socket->setRemotePort(m_server.serverPort());
    ASSERT_TRUE(socket->connect());
    ASSERT_TRUE(runUntil([&] { return done; }));
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
    }
    for (int i = 0; i < 2; ++i) {
        TcpSocketEvents e;
        e.dataArrival = [&, i](std::size_t) {
            ++handled;
            sockets[1 - i].reset();
        };
        sockets[i]->setEvents(e);
    }
    m_peers[0]->write("one");
    m_peers[1]->write("two");
    m_peers[0]->flush();
    m_peers[1]->flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(runUntil([&] { return handled > 0; }));
    runFor(50);
    EXPECT_EQ(handled, 1);

    // A failure posted for a socket that is then destroyed goes nowhere.
    Recorder rec;
    auto doomed = make(rec);
    doomed->setRemoteHost("255.255.255.255");
    doomed->setRemotePort(80);
    ASSERT_TRUE(doomed->connect());
    doomed.reset();
    runFor(50);
    EXPECT_EQ(rec.events(), 0);
}

TEST_P(SocketContract, HostNamesAreLookedUpAndALookupCanBeAbandoned)
{
    Recorder rec;
    auto socket = make(rec);
    socket->setRemoteHost("localhost");
    socket->setRemotePort(m_server.serverPort());
    ASSERT_TRUE(socket->connect());
    socket->close();
    runFor(100);
    EXPECT_EQ(rec.events(), 0);
    ASSERT_TRUE(socket->connect());
    ASSERT_TRUE(runUntil([&] { return rec.connected + rec.errors > 0; }));
    EXPECT_EQ(rec.connected, 1);

    // Not in the hosts file: the name server is asked, without stalling the loop, and says no
    // (".invalid" never resolves).
    Recorder unknown;
    auto other = make(unknown);
    other->setRemoteHost("no-such-host.invalid");
    other->setRemotePort(80);
    ASSERT_TRUE(other->connect());
    EXPECT_EQ(other->state(), TcpSocket::State::Connecting);
    ASSERT_TRUE(runUntil([&] { return unknown.events() > 0; }, 30000));
    EXPECT_EQ(unknown.errors, 1);
    EXPECT_EQ(unknown.lastError, QtTcpSocket::HostNotFound);
}

TEST_P(SocketContract, ManySocketsAtOnce)
{
    constexpr int kSockets = 100;
    std::vector<std::unique_ptr<TcpSocket>> sockets;
    int connected = 0;
    for (int i = 0; i < kSockets; ++i) {
        sockets.push_back(m_loop->createSocket());
        TcpSocket* s = sockets.back().get();
        TcpSocketEvents e;
        e.connected = [&connected, s] {
            ++connected;
            s->sendData("x");
        };
        s->setEvents(e);
        s->setRemoteHost("127.0.0.1");
        s->setRemotePort(m_server.serverPort());
        ASSERT_TRUE(s->connect());
    }
    ASSERT_TRUE(runUntil([&] { return connected == kSockets && m_received.size() == kSockets; }));
}

INSTANTIATE_TEST_SUITE_P(
    Loops, SocketContract, testing::Values(Kind::Qt, Kind::Epoll, Kind::EpollInQt), kindName);

// Timers compare the order of ticks of two timers, never clock readings, so a slow machine delays
// them without changing the outcome.
class TimerContract : public LoopTest
{
protected:
    static constexpr int kInterval = 250;
    static constexpr int kHalf = 80;

    std::unique_ptr<Timer> make(char name)
    {
        auto timer = m_loop->createTimer();
        timer->setOnTick([this, name] { m_ticks.push_back(name); });
        return timer;
    }
    bool runUntilTicks(std::size_t n, int boundMs = 5000)
    {
        return runUntil([&] { return m_ticks.size() >= n; }, boundMs);
    }
    template <typename F> void race(F change)
    {
        auto a = make('a');
        auto b = make('b');
        a->setInterval(kInterval);
        a->setEnabled(true);
        runFor(kHalf);
        b->setInterval(kInterval);
        b->setEnabled(true);
        change(*a);
        ASSERT_TRUE(m_ticks.empty()) << "machine too slow for this test";
        ASSERT_TRUE(runUntilTicks(2));
    }

    std::vector<char> m_ticks;
};

TEST_P(TimerContract, TicksEveryIntervalOnlyWhileEnabledWithAPositiveInterval)
{
    auto t = make('t');
    t->setInterval(20);
    runFor(60);
    EXPECT_TRUE(m_ticks.empty()) << "a disabled timer never ticks";
    t->setEnabled(true);
    ASSERT_TRUE(runUntilTicks(3));
    t->setEnabled(false);
    std::size_t ticks = m_ticks.size();
    runFor(60);
    EXPECT_EQ(m_ticks.size(), ticks) << "disabling stops it";

    t->setInterval(0);
    t->setEnabled(true);
    runFor(60);
    t->setInterval(-5);
    runFor(30);
    EXPECT_EQ(m_ticks.size(), ticks) << "an interval of 0 or less never ticks";
    t->setInterval(10);
    ASSERT_TRUE(runUntilTicks(ticks + 1));
    t->setInterval(0);
    ticks = m_ticks.size();
    runFor(60);
    EXPECT_EQ(m_ticks.size(), ticks);
    EXPECT_TRUE(t->isEnabled());
}

TEST_P(TimerContract, EnablingARunningTimerChangesNothing)
{
    race([](Timer& a) { a.setEnabled(true); });
    EXPECT_EQ(m_ticks[0], 'a');
}

TEST_P(TimerContract, DisableThenEnableRestartsTheFullInterval)
{
    race([](Timer& a) {
        a.setEnabled(false);
        a.setEnabled(true);
    });
    EXPECT_EQ(m_ticks[0], 'b');
}

TEST_P(TimerContract, SettingTheIntervalOfAnEnabledTimerRestartsIt)
{
    race([](Timer& a) { a.setInterval(kInterval); });
    EXPECT_EQ(m_ticks[0], 'b');
}

TEST_P(TimerContract, HandlersMayRestartTheirOwnTimerOrDestroyAnother)
{
    auto t = make('t');
    Timer* raw = t.get();
    t->setOnTick([this, raw] {
        m_ticks.push_back('t');
        raw->setEnabled(false);
        if (m_ticks.size() < 3)
            raw->setEnabled(true);
    });
    t->setInterval(10);
    t->setEnabled(true);
    ASSERT_TRUE(runUntilTicks(3));
    runFor(50);
    EXPECT_EQ(m_ticks.size(), 3u);
    EXPECT_FALSE(t->isEnabled());

    // Two timers due together: the first to tick destroys the other, which then never ticks.
    std::unique_ptr<Timer> pair[2] = { make('x'), make('y') };
    for (int i = 0; i < 2; ++i) {
        pair[i]->setOnTick([this, &pair, i] {
            m_ticks.push_back(i == 0 ? 'x' : 'y');
            pair[1 - i].reset();
        });
        pair[i]->setInterval(10);
        pair[i]->setEnabled(true);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(runUntilTicks(5));
    const auto xs = std::count(m_ticks.begin(), m_ticks.end(), 'x');
    const auto ys = std::count(m_ticks.begin(), m_ticks.end(), 'y');
    EXPECT_TRUE((xs == 0) != (ys == 0)) << "only the survivor ticks, and it goes on ticking";
}

TEST_P(TimerContract, ClockIsMonotonic)
{
    std::int64_t last = m_loop->nowMs();
    EXPECT_GE(last, 0);
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t now = m_loop->nowMs();
        ASSERT_GE(now, last);
        last = now;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Loops, TimerContract, testing::Values(Kind::Qt, Kind::Epoll, Kind::EpollInQt), kindName);

} // namespace
} // namespace qv
