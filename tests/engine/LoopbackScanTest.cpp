// Scans over real loopback sockets on the Qt event loop, against proxies served by the test and,
// when it is installed, through a real HTTP proxy (tinyproxy). Every wait is bounded.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

#include "engine/FakeScanView.h"
#include "engine/LoopbackProxy.h"
#include "engine/PlainListView.h"
#include "engine/ScanEngine.h"
#include "platform/MemoryListBox.h"
#include "platform/QtEpollEventLoop.h"
#include "platform/QtEventLoop.h"
#include "support/LoopbackNameServer.h"

namespace qv {
namespace {

using test::LoopbackProxy;
using Mode = LoopbackProxy::Mode;

// QV_TEST_EVENT_LOOP=epoll runs the same scans on the epoll loop inside Qt's.
std::unique_ptr<EventLoop> makeLoop()
{
    if (qgetenv("QV_TEST_EVENT_LOOP") == "epoll")
        return std::make_unique<QtEpollEventLoop>();
    return std::make_unique<QtEventLoop>();
}

class Loopback : public testing::Test {
protected:
    Loopback()
    {
        ScanEngine::Hooks hooks;
        hooks.scanEnded = [this] {
            ++scanEnds;
            m_wait.quit();
        };
        engine.setHooks(std::move(hooks));
    }
    void add(quint16 port, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            list1.addItem("127.0.0.1:" + std::to_string(port));
    }
    // Runs the scan to its end; false when it had not ended after boundMs.
    bool scan(int boundMs = 60000)
    {
        engine.start();
        if (engine.isRunning()) {
            QTimer bound;
            bound.setSingleShot(true);
            QObject::connect(&bound, &QTimer::timeout, &m_wait, &QEventLoop::quit);
            bound.start(boundMs);
            m_wait.exec();
        }
        return !engine.isRunning();
    }
    std::vector<std::string> rows() const
    {
        std::vector<std::string> out;
        for (int r = 0; r < found.rowCount(); ++r)
            out.push_back(found.subItem(r, 2) + "/" + found.subItem(r, 3));
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::string row(quint16 port, const std::string& level) { return std::to_string(port) + "/" + level; }
    // The epoll loop, whose look-ups can be sent to a name server of the test's own; else null.
    EpollEventLoop* epoll()
    {
        auto* loop = dynamic_cast<QtEpollEventLoop*>(m_loop.get());
        return loop ? &loop->epoll() : nullptr;
    }

    QEventLoop m_wait;
    std::unique_ptr<EventLoop> m_loop = makeLoop();
    EventLoop& loop = *m_loop;
    test::FakeScanView view;
    MemoryListBox list1;
    MemoryListBox list2;
    PlainListView found;
    ScanEngine engine { loop, view, list1, list2, found };
    int scanEnds = 0;
};

TEST_F(Loopback, EveryKindOfProxyIsJudgedOnItsWholeAnswer)
{
    LoopbackProxy working(Mode::Working, "2");
    LoopbackProxy failing(Mode::Failing);
    LoopbackProxy pieces(Mode::Pieces, "4");
    LoopbackProxy never(Mode::Never);
    LoopbackProxy reset(Mode::ResetMidAnswer);
    LoopbackProxy endless(Mode::Endless, "5");
    LoopbackProxy pageThenReset(Mode::PageThenReset, "6");
    LoopbackProxy pageThenLateReset(Mode::PageThenLateReset, "7");
    LoopbackProxy readsToBlankLine(Mode::ReadsToBlankLine, "8");
    LoopbackProxy resetBeforeAnswer(Mode::ResetBeforeAnswer);
    const quint16 refusing = LoopbackProxy::refusingPort();
    view.slider = 3;
    view.timeout = "1500";
    view.judge = "http://judge.test/azenv.php";
    add(working.port());
    add(failing.port());
    add(pieces.port());
    add(never.port());
    add(refusing);
    add(reset.port());
    add(endless.port());
    add(working.port());
    add(pageThenReset.port());
    add(pageThenLateReset.port());
    add(readsToBlankLine.port());
    add(resetBeforeAnswer.port());
    ASSERT_TRUE(scan());
    EXPECT_EQ(scanEnds, 1);
    std::vector<std::string> expected { row(working.port(), "2"), row(working.port(), "2"),
        row(pieces.port(), "4"), row(endless.port(), "5"), row(pageThenReset.port(), "6"),
        row(pageThenLateReset.port(), "7"), row(readsToBlankLine.port(), "8") };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(list2.count(), 7);
    EXPECT_EQ(working.requests(), 2);
    EXPECT_EQ(never.requests(), 1);
    EXPECT_EQ(reset.requests(), 1);
    EXPECT_EQ(resetBeforeAnswer.requests(), 1);
    EXPECT_EQ(readsToBlankLine.lastRequest(), "GET http://judge.test/azenv.php HTTP/1.0\r\n\r\n");
    EXPECT_EQ(working.lastRequest(), "GET http://judge.test/azenv.php HTTP/1.0\r\n\r\n\r\n");
    EXPECT_EQ(view.panel(2), "Good: 7");
    EXPECT_TRUE(view.idle());
}

TEST_F(Loopback, ManyChecksOnAHundredSockets)
{
    std::vector<std::unique_ptr<LoopbackProxy>> farm;
    for (int p = 0; p < 8; ++p)
        farm.push_back(std::make_unique<LoopbackProxy>(p % 4 == 3 ? Mode::Failing : Mode::Working, "1"));
    for (int i = 0; i < 1600; ++i)
        add(farm[static_cast<std::size_t>(i % 8)]->port());
    view.slider = 100;
    ASSERT_TRUE(scan());
    EXPECT_EQ(scanEnds, 1);
    EXPECT_EQ(found.rowCount(), 1200);
    EXPECT_EQ(view.panel(1), "Status: Scan Complete!");
    EXPECT_EQ(view.panel(2), "Good: 1200");
    EXPECT_EQ(engine.checksInFlight(), 0);
}

TEST_F(Loopback, StopClosesTheConnections)
{
    LoopbackProxy never(Mode::Never);
    add(never.port(), 10);
    view.slider = 4;
    engine.start();
    QElapsedTimer clock;
    clock.start();
    while (never.requests() < 4 && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(never.requests(), 4);
    engine.stop();
    EXPECT_EQ(engine.checksInFlight(), 0);
    EXPECT_EQ(list1.count(), 10) << "the four checks cut short wait again";
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(never.requests(), 4);
    EXPECT_EQ(scanEnds, 0);
}

// Every name is looked up at once, and once per scan: 100 names that take a second each all fit
// in a 3000 ms timeout, and the entries that name them again share the answer.
TEST_F(Loopback, SlowNamesAreLookedUpTogetherAndOncePerScan)
{
    if (!epoll())
        GTEST_SKIP() << "Qt's own look-up cannot be pointed at the test's name server";
    test::LoopbackNameServer names(1000);
    epoll()->setNameServers(names.address());
    LoopbackProxy working(Mode::Working, "1");
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 100; ++i)
            list1.addItem("p" + std::to_string(i) + ".test:" + std::to_string(working.port()));
    }
    view.slider = 100;
    view.timeout = "3000";
    ASSERT_TRUE(scan());
    EXPECT_EQ(found.rowCount(), 200);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(names.questions("p" + std::to_string(i) + ".test"), 1) << i;
}

// Names whose server never answers cost their own checks one timeout and hold up nothing else.
TEST_F(Loopback, NamesThatNeverAnswerDelayNoOtherCheck)
{
    if (!epoll())
        GTEST_SKIP() << "Qt's own look-up cannot be pointed at the test's name server";
    test::LoopbackNameServer names;
    epoll()->setNameServers(names.address());
    LoopbackProxy working(Mode::Working, "1");
    const std::string port = std::to_string(working.port());
    for (int i = 0; i < 16; ++i)
        list1.addItem((i % 4 == 0 ? "never" : "good") + std::to_string(i) + ".test:" + port);
    view.slider = 4;
    constexpr int kTimeoutMs = 1500;
    view.timeout = std::to_string(kTimeoutMs);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(scan());
    EXPECT_EQ(found.rowCount(), 12);
    // The four silent names fit in one round of the four sockets; a full second round is a fault.
    EXPECT_LT(clock.elapsed(), 2 * kTimeoutMs);
}

// A judge page served by the test, reached through tinyproxy started by the test.
TEST_F(Loopback, ThroughTinyproxy)
{
    const QString binary = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"),
        { QStringLiteral("/usr/bin"), QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/bin") });
    if (binary.isEmpty())
        GTEST_SKIP() << "tinyproxy is not installed (scripts/test installs it); end-to-end test skipped";

    // The judge: the level says whether the request came through a proxy that shows itself.
    QTcpServer judge;
    ASSERT_TRUE(judge.listen(QHostAddress::LocalHost, 0));
    std::string judgeLevel;
    QObject::connect(&judge, &QTcpServer::newConnection, &judge, [&] {
        QTcpSocket* socket = judge.nextPendingConnection();
        socket->setParent(&judge);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, &judgeLevel] {
            const QByteArray request = socket->peek(65536);
            if (!request.contains("\r\n\r\n"))
                return;
            socket->readAll();
            judgeLevel = request.contains("\nVia:") ? "3" : "1";
            socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><p>Comment: seen</p>"
                          "<font color=\"blue\">"
                + QByteArray::fromStdString(judgeLevel) + "</font></html>");
            socket->disconnectFromHost();
        });
    });

    QTemporaryDir dir;
    const quint16 proxyPort = LoopbackProxy::refusingPort();
    const QString config = dir.filePath(QStringLiteral("tinyproxy.conf"));
    {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Port " + QByteArray::number(proxyPort)
            + "\nListen 127.0.0.1\nTimeout 30\nMaxClients 10\nAllow 127.0.0.1\nLogLevel Critical\n");
    }
    QProcess proxy;
    proxy.setProcessChannelMode(QProcess::MergedChannels);
    proxy.start(binary, { QStringLiteral("-d"), QStringLiteral("-c"), config });
    ASSERT_TRUE(proxy.waitForStarted(5000));
    // Wait until it listens, at most ten seconds.
    bool listening = false;
    for (int attempt = 0; attempt < 100 && !listening; ++attempt) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, proxyPort);
        listening = probe.waitForConnected(100);
        if (!listening)
            QThread::msleep(100);
    }
    ASSERT_TRUE(listening) << proxy.readAll().toStdString();

    view.slider = 2;
    view.judge = "http://127.0.0.1:" + std::to_string(judge.serverPort()) + "/judge.php";
    add(proxyPort);
    ASSERT_TRUE(scan(30000));
    proxy.kill();
    proxy.waitForFinished(5000);
    ASSERT_EQ(found.rowCount(), 1) << proxy.readAll().toStdString();
    EXPECT_EQ(found.subItem(0, 1), "127.0.0.1");
    EXPECT_EQ(found.subItem(0, 2), std::to_string(proxyPort));
    EXPECT_FALSE(judgeLevel.empty());
    EXPECT_EQ(found.subItem(0, 3), judgeLevel);
    EXPECT_EQ(view.panel(1), "Status: Scan Complete!");
}

} // namespace
} // namespace qv
