#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include "platform/QtEventLoop.h"
#include "platform/QtTcpSocket.h"

namespace qv {
namespace {

// Runs the event loop until done() holds or the bound passes; returns done().
template <typename F> bool runUntil(F done, int boundMs = 5000)
{
    QDeadlineTimer deadline(boundMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void runFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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

class QtTcpSocketTest : public ::testing::Test
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

    // Connects and waits for both ends.
    void connectSocket(QtTcpSocket& socket, Recorder& rec)
    {
        const int peers = m_peers.size();
        socket.setRemoteHost("127.0.0.1");
        socket.setRemotePort(m_server.serverPort());
        ASSERT_TRUE(socket.connect());
        ASSERT_TRUE(runUntil([&] { return rec.connected == 1 && m_peers.size() > peers; }));
        EXPECT_EQ(socket.state(), TcpSocket::State::Connected);
    }

    QTcpSocket* lastPeer() const { return m_peers.isEmpty() ? nullptr : m_peers.last().data(); }

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_peers;
    QByteArray m_received;
};

TEST_F(QtTcpSocketTest, ExactBytesTravelBothWays)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket));
    connectSocket(socket, rec);

    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    const std::string request = "GET http://judge.example/azenv.php HTTP/1.0\r\n\r\n\r\n" + all;
    ASSERT_TRUE(socket.sendData(request));
    ASSERT_TRUE(runUntil([&] { return m_received.size() >= static_cast<qsizetype>(request.size()); }));
    EXPECT_EQ(m_received.toStdString(), request);

    const QByteArray answer = QByteArray("HTTP/1.0 200 OK\r\n\r\nComment\0\xff", 28);
    lastPeer()->write(answer);
    ASSERT_TRUE(runUntil([&] { return rec.data.size() >= static_cast<std::size_t>(answer.size()); }));
    EXPECT_EQ(rec.data, answer.toStdString());
    EXPECT_GE(rec.arrivals, 1);
    EXPECT_EQ(rec.errors, 0);
    EXPECT_FALSE(rec.deliveredInside);
}

TEST_F(QtTcpSocketTest, MoreThanTheReadAheadArrivesWhole)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket));
    connectSocket(socket, rec);
    QByteArray big(static_cast<qsizetype>(QtTcpSocket::kReadBufferBytes * 3 + 123), '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 31 + i / 7);
    lastPeer()->write(big);
    ASSERT_TRUE(runUntil([&] { return rec.data.size() >= static_cast<std::size_t>(big.size()); }, 20000))
        << rec.data.size();
    EXPECT_TRUE(rec.data == big.toStdString());
}

TEST_F(QtTcpSocketTest, AFloodingPeerCannotFillMemory)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket, false));
    connectSocket(socket, rec);
    lastPeer()->write(QByteArray(static_cast<qsizetype>(QtTcpSocket::kReadBufferBytes * 8), 'x'));
    ASSERT_TRUE(runUntil([&] { return socket.bytesAvailable() >= QtTcpSocket::kReadBufferBytes; }));
    runFor(100);
    EXPECT_LE(socket.bytesAvailable(), static_cast<std::size_t>(QtTcpSocket::kReadBufferBytes));
}

TEST_F(QtTcpSocketTest, RefusedConnectionRaisesError)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();

    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket));
    socket.setRemoteHost("127.0.0.1");
    socket.setRemotePort(port);
    rec.insideOperation = true;
    ASSERT_TRUE(socket.connect());
    rec.insideOperation = false;
    ASSERT_TRUE(runUntil([&] { return rec.errors > 0; }));
    EXPECT_EQ(rec.lastError, QtTcpSocket::ConnectionRefused);
    EXPECT_EQ(rec.connected, 0);
    EXPECT_EQ(socket.state(), TcpSocket::State::Closed);
    EXPECT_FALSE(rec.deliveredInside);
    runFor(50);
    EXPECT_EQ(rec.errors, 1) << "one error per failed connect";
}

TEST_F(QtTcpSocketTest, ImmediateFailureIsStillAnEventFromTheLoop)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket));
    // Unroutable for TCP: the kernel may refuse this inside the connect call itself.
    socket.setRemoteHost("255.255.255.255");
    socket.setRemotePort(80);
    rec.insideOperation = true;
    ASSERT_TRUE(socket.connect());
    rec.insideOperation = false;
    EXPECT_EQ(rec.events(), 0);
    ASSERT_TRUE(runUntil([&] { return rec.errors > 0; }));
    EXPECT_FALSE(rec.deliveredInside);
    EXPECT_EQ(rec.connected, 0);
}

TEST_F(QtTcpSocketTest, PeerCloseIsReportedAndEarlierDataStaysReadable)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket, false));
    connectSocket(socket, rec);
    lastPeer()->write("last words");
    lastPeer()->disconnectFromHost();
    ASSERT_TRUE(runUntil([&] { return rec.peerClosed > 0; }));
    EXPECT_EQ(rec.errors, 0);
    EXPECT_EQ(socket.bytesAvailable(), 10u);
    EXPECT_EQ(socket.getData(), "last words");
    EXPECT_EQ(socket.getData(), "");
    runFor(50);
    EXPECT_EQ(rec.peerClosed, 1);
    EXPECT_FALSE(socket.sendData("late"));
}

TEST_F(QtTcpSocketTest, UnreadDataIsDiscardedByClose)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket, false));
    connectSocket(socket, rec);
    lastPeer()->write("unread");
    lastPeer()->disconnectFromHost();
    ASSERT_TRUE(runUntil([&] { return rec.peerClosed > 0; }));
    socket.close();
    EXPECT_EQ(socket.bytesAvailable(), 0u);
    EXPECT_EQ(socket.getData(), "");
}

TEST_F(QtTcpSocketTest, ConnectRefusesBadRequestsAtOnce)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket));
    socket.setRemotePort(m_server.serverPort());
    EXPECT_FALSE(socket.connect()) << "empty host";
    socket.setRemoteHost("127.0.0.1");
    socket.setRemotePort(0);
    EXPECT_FALSE(socket.connect());
    socket.setRemotePort(65536);
    EXPECT_FALSE(socket.connect());
    socket.setRemotePort(-80);
    EXPECT_FALSE(socket.connect());
    EXPECT_EQ(socket.state(), TcpSocket::State::Closed);
    EXPECT_FALSE(socket.sendData("x")) << "not connected";

    socket.setRemotePort(m_server.serverPort());
    ASSERT_TRUE(socket.connect());
    EXPECT_FALSE(socket.connect()) << "already connecting";
    ASSERT_TRUE(runUntil([&] { return rec.connected == 1; }));
    EXPECT_FALSE(socket.connect()) << "already connected";
    runFor(30);
    EXPECT_EQ(rec.errors, 0);
}

TEST_F(QtTcpSocketTest, CloseIsAllowedInEveryStateAndSilencesTheSocket)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket));
    socket.close(); // never connected
    socket.close();
    EXPECT_EQ(socket.state(), TcpSocket::State::Closed);

    // While connecting.
    socket.setRemoteHost("127.0.0.1");
    socket.setRemotePort(m_server.serverPort());
    ASSERT_TRUE(socket.connect());
    socket.close();
    EXPECT_EQ(socket.state(), TcpSocket::State::Closed);
    runFor(100);
    EXPECT_EQ(rec.events(), 0) << "a closed socket raises nothing";

    // Connected, with data on the way.
    connectSocket(socket, rec);
    lastPeer()->write("late data");
    lastPeer()->flush();
    socket.close();
    runFor(100);
    EXPECT_EQ(rec.arrivals, 0);
    EXPECT_EQ(rec.errors, 0);
    EXPECT_EQ(rec.peerClosed, 0);

    // After an error.
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
    socket.setRemotePort(gone.serverPort());
    gone.close();
    ASSERT_TRUE(socket.connect());
    ASSERT_TRUE(runUntil([&] { return rec.errors == 1; }));
    socket.close();

    // And it connects again afterwards.
    rec.connected = 0;
    connectSocket(socket, rec);
    EXPECT_EQ(rec.errors, 1);
}

TEST_F(QtTcpSocketTest, HandlerMayCloseAndReconnectInsideAnEvent)
{
    QtTcpSocket socket;
    Recorder rec;
    int reconnects = 0;
    TcpSocketEvents events = rec.events(socket);
    events.dataArrival = [&](std::size_t) {
        rec.data += socket.getData();
        ++rec.arrivals;
        if (reconnects < 3) {
            ++reconnects;
            socket.close();
            EXPECT_TRUE(socket.connect());
        }
    };
    events.connected = [&] {
        ++rec.connected;
        EXPECT_TRUE(socket.sendData("hello"));
    };
    socket.setEvents(events);
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        // Every peer answers its greeting and then hangs up.
        QTcpSocket* peer = m_peers.last();
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] {
            peer->write("answer");
            peer->disconnectFromHost();
        });
    });
    socket.setRemoteHost("127.0.0.1");
    socket.setRemotePort(m_server.serverPort());
    ASSERT_TRUE(socket.connect());
    ASSERT_TRUE(runUntil([&] { return rec.connected == 4 && rec.arrivals == 4; }));
    EXPECT_EQ(rec.data, "answeransweransweranswer");
    EXPECT_EQ(rec.errors, 0);
}

TEST_F(QtTcpSocketTest, HostNamesAreLookedUpAndALookupCanBeAbandoned)
{
    QtTcpSocket socket;
    Recorder rec;
    socket.setEvents(rec.events(socket));
    socket.setRemoteHost("localhost");
    socket.setRemotePort(m_server.serverPort());
    ASSERT_TRUE(socket.connect());
    socket.close();
    runFor(100);
    EXPECT_EQ(rec.events(), 0);
    ASSERT_TRUE(socket.connect());
    ASSERT_TRUE(runUntil([&] { return rec.connected + rec.errors > 0; }));
    // localhost may resolve to ::1 first; the server listens on 127.0.0.1 and Qt tries each address.
    EXPECT_EQ(rec.connected, 1);
}

TEST_F(QtTcpSocketTest, ManySocketsAtOnce)
{
    QtEventLoop loop;
    constexpr int kSockets = 100;
    std::vector<std::unique_ptr<TcpSocket>> sockets;
    int connected = 0;
    for (int i = 0; i < kSockets; ++i) {
        sockets.push_back(loop.createSocket());
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
    for (auto& s : sockets)
        s->close();
}

} // namespace
} // namespace qv
