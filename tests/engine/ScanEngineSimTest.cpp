// Whole scans on the fake event loop: every socket, timer and proxy is scripted and the clock is
// virtual, so times are exact and every run is the same.
#include <gtest/gtest.h>

#include "engine/PlainListView.h"
#include "engine/ScanEngine.h"
#include "engine/FakeScanView.h"
#include "platform/MemoryListBox.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTcpSocket.h"

namespace qv {
namespace {

using test::FakeEventLoop;
using test::PeerScript;
using test::PeerStep;

std::string page(const std::string& level)
{
    return "HTTP/1.0 200 OK\r\n\r\n<html>Comment: <p style=\"color:blue\">" + level + "</p></html>";
}

class ScanSim : public testing::Test {
protected:
    ScanSim()
    {
        ScanEngine::Hooks hooks;
        hooks.checkEnded = [this](const ScanEngine::CheckEnd&) { ++checksEnded; };
        hooks.scanEnded = [this] {
            ++scanEnds;
            inFlightAtEnd = engine.checksInFlight();
        };
        engine.setHooks(std::move(hooks));
    }
    void add(const std::vector<std::string>& entries)
    {
        for (const std::string& e : entries)
            list1.addItem(e);
    }
    void working(const std::string& host, int port, const std::string& level, std::int64_t afterMs = 5)
    {
        loop.setPeer(host, port, PeerScript::answering(page(level), afterMs));
    }
    void silent(const std::string& host, int port)
    {
        loop.setPeer(host, port, PeerScript {});
    }
    std::vector<std::string> connected() const
    {
        std::vector<std::string> out;
        for (const auto& c : loop.connects())
            out.push_back(c.host + ":" + std::to_string(c.port));
        return out;
    }
    std::vector<std::string> foundRows() const
    {
        std::vector<std::string> out;
        for (int r = 0; r < found.rowCount(); ++r)
            out.push_back(found.subItem(r, 1) + ":" + found.subItem(r, 2) + "/" + found.subItem(r, 3));
        return out;
    }

    FakeEventLoop loop;
    test::FakeScanView view;
    MemoryListBox list1;
    MemoryListBox list2;
    PlainListView found;
    ScanEngine engine { loop, view, list1, list2, found };
    int scanEnds = 0;
    int checksEnded = 0;
    int inFlightAtEnd = -1;
};

TEST_F(ScanSim, EveryEntryIsJudgedInOrderAndTheFirstIsNotDropped)
{
    view.slider = 1;
    add({ "10.0.0.1:80", "10.0.0.2:81", "10.0.0.3:82" });
    working("10.0.0.1", 80, "1");
    working("10.0.0.2", 81, "2");
    working("10.0.0.3", 82, "3");
    engine.start();
    EXPECT_EQ(view.panel(1), "Status: Initiating..");
    EXPECT_EQ(view.panel(3), "Loaded: 2");
    EXPECT_TRUE(view.running());
    loop.runUntilIdle();
    EXPECT_EQ(connected(), (std::vector<std::string> { "10.0.0.1:80", "10.0.0.2:81", "10.0.0.3:82" }));
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.1:80/1", "10.0.0.2:81/2", "10.0.0.3:82/3" }));
    EXPECT_EQ(list2.count(), 3);
    EXPECT_EQ(list2.item(2), "10.0.0.3:82");
    EXPECT_EQ(view.countOf(3, "Loaded: 1"), 1);
    EXPECT_EQ(scanEnds, 1);
    EXPECT_EQ(view.panel(1), "Status: Scan Complete!");
    EXPECT_EQ(view.panel(2), "Good: 3");
    EXPECT_EQ(view.panel(3), "Loaded: 0");
    EXPECT_TRUE(view.idle());
    EXPECT_TRUE(view.isButtonEnabled(ScanView::kFoundButton));
}

TEST_F(ScanSim, RequestIsExactlyTheRequestLineAndStatusNamesTheProxy)
{
    view.slider = 1;
    view.judge = "http://j.test/x.php";
    add({ "10.0.0.1:8080" });
    silent("10.0.0.1", 8080);
    engine.start();
    loop.runUntil(1);
    EXPECT_EQ(view.panel(1), "Status: Checking 10.0.0.1:8080");
    ASSERT_EQ(loop.sends().size(), 1u);
    EXPECT_EQ(loop.sends()[0].bytes, "GET http://j.test/x.php HTTP/1.0\r\n\r\n\r\n");
    EXPECT_EQ(loop.sends()[0].bytes.size(), 19 + view.judge.size());
}

// The scan ends once, after the slowest check, with every socket closed.
TEST_F(ScanSim, ScanEndsOnceAfterTheLastCheckInFlight)
{
    view.slider = 3;
    add({ "10.0.0.1:1", "10.0.0.2:1", "10.0.0.3:1", "10.0.0.4:1" });
    working("10.0.0.1", 1, "a", 100);
    working("10.0.0.2", 1, "b", 5000); // still running when the list has long run empty
    working("10.0.0.3", 1, "c", 10);
    working("10.0.0.4", 1, "d", 10);
    engine.start();
    loop.runUntil(2000);
    EXPECT_EQ(list1.count(), 0);
    EXPECT_EQ(scanEnds, 0);
    EXPECT_TRUE(view.running());
    EXPECT_EQ(engine.checksInFlight(), 1);
    loop.runUntilIdle();
    EXPECT_EQ(scanEnds, 1);
    EXPECT_EQ(inFlightAtEnd, 0);
    EXPECT_EQ(found.rowCount(), 4);
    EXPECT_EQ(view.countOf(1, "Status: Scan Complete!"), 1);
    EXPECT_EQ(view.panel(2), "Good: 4");
    for (auto* socket : loop.sockets())
        EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
    EXPECT_EQ(loop.pendingEvents(), 0u);
}

TEST_F(ScanSim, ScanEndingWithASocketErrorCountsTheViewRows)
{
    view.slider = 2;
    list2.addItem("1.1.1.1:1"); // an earlier find still in the found list
    add({ "10.0.0.1:1", "10.0.0.2:1" });
    working("10.0.0.1", 1, "x", 5);
    PeerScript refusing;
    refusing.connect = PeerScript::Connect::Refuse;
    refusing.connectDelayMs = 50;
    loop.setPeer("10.0.0.2", 1, refusing);
    engine.start();
    loop.runUntilIdle();
    EXPECT_EQ(scanEnds, 1);
    EXPECT_EQ(view.panel(1), "Status: Checking Completed.");
    EXPECT_EQ(view.panel(2), "Good: 1");
    EXPECT_TRUE(view.idle());
    EXPECT_EQ(connected().size(), 2u); // the refusing proxy is not retried
}

TEST_F(ScanSim, EveryConnectAndEverySendGetsAFullInterval)
{
    view.slider = 1;
    view.timeout = "1000";
    add({ "10.0.0.1:1", "10.0.0.2:1", "10.0.0.3:1", "10.0.0.4:1" });
    PeerScript never;
    never.connect = PeerScript::Connect::Never;
    loop.setPeer("10.0.0.1", 1, never);
    working("10.0.0.2", 1, "2", 900); // answers late in its interval
    loop.setPeer("10.0.0.3", 1, never);
    silent("10.0.0.4", 1); // accepts, never answers
    engine.start();
    loop.runUntilIdle();
    const auto& c = loop.connects();
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].atMs, 0);
    EXPECT_EQ(c[1].atMs, 1000); // timed out exactly one interval after its connect
    EXPECT_EQ(c[2].atMs, 1901); // accepted at 1001, request sent then, answer 900 ms later
    EXPECT_EQ(c[3].atMs, 2901); // the next connect had its own full interval
    ASSERT_EQ(loop.sends().size(), 2u);
    EXPECT_EQ(loop.sends()[1].atMs, 2902);
    EXPECT_EQ(loop.nowMs(), 3902); // timeout one interval after the send, and nothing after
    EXPECT_EQ(loop.timerTicks(), 3);
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.2:1/2" }));
    EXPECT_EQ(scanEnds, 1);
    EXPECT_EQ(view.panel(1), "Status: Scan Complete!");
}

TEST_F(ScanSim, AnswerInPiecesIsGatheredUntilTheProxyCloses)
{
    view.slider = 1;
    add({ "10.0.0.1:1", "10.0.0.2:1" });
    PeerScript pieces;
    pieces.reply = { { 10, PeerStep::Kind::Data, "HTTP/1.0 200 OK\r\n\r\nComm", 1 },
        { 400, PeerStep::Kind::Data, "ent <font color=\"blue\">", 1 },
        { 900, PeerStep::Kind::Data, "2</font>", 1 }, { 1500, PeerStep::Kind::Close, {}, 1 } };
    loop.setPeer("10.0.0.1", 1, pieces);
    // Headers and body, then nothing until the timeout: what has arrived is judged.
    PeerScript stalls;
    stalls.reply = { { 10, PeerStep::Kind::Data, "HTTP/1.0 200 OK\r\n\r\n", 1 },
        { 20, PeerStep::Kind::Data, page("4"), 1 } };
    loop.setPeer("10.0.0.2", 1, stalls);
    engine.start();
    loop.runUntilIdle();
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.1:1/2", "10.0.0.2:1/4" }));
    EXPECT_EQ(loop.connects()[1].atMs, 1501);
    EXPECT_EQ(loop.nowMs(), 1502 + 8000);
    EXPECT_EQ(engine.record(1).reply, "HTTP/1.0 200 OK\r\n\r\n" + page("4"));
}

TEST_F(ScanSim, EndlessStreamIsJudgedAtTheCapAndClosed)
{
    view.slider = 1;
    add({ "10.0.0.1:1", "10.0.0.2:1" });
    PeerScript endless;
    endless.reply = { { 1, PeerStep::Kind::Data, page("7"), 1 },
        { 2, PeerStep::Kind::Stream, std::string(4096, 'x'), 1 } };
    loop.setPeer("10.0.0.1", 1, endless);
    PeerScript junk; // no pass marker, endless
    junk.reply = { { 1, PeerStep::Kind::Stream, std::string(70000, '\0'), 1 } };
    loop.setPeer("10.0.0.2", 1, junk);
    engine.start();
    loop.runUntilIdle(100000);
    EXPECT_EQ(scanEnds, 1);
    EXPECT_EQ(loop.pendingEvents(), 0u);
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.1:1/7" }));
    EXPECT_LT(loop.nowMs(), 8000); // ended by the cap, not the timeout
    EXPECT_EQ(engine.record(1).reply.size(), ScanEngine::kAnswerCap);
}

TEST_F(ScanSim, SlowDripEndsOneIntervalAfterTheSend)
{
    view.slider = 1;
    view.timeout = "3000";
    add({ "10.0.0.1:1", "10.0.0.2:1" });
    PeerScript drip;
    drip.reply = { { 1, PeerStep::Kind::Stream, "Comment-ish ", 100 } };
    loop.setPeer("10.0.0.1", 1, drip);
    PeerScript dripNoPass;
    dripNoPass.reply = { { 1, PeerStep::Kind::Stream, "x", 10 } };
    loop.setPeer("10.0.0.2", 1, dripNoPass);
    engine.start();
    loop.runUntilIdle();
    ASSERT_EQ(loop.connects().size(), 2u);
    EXPECT_EQ(loop.connects()[1].atMs, 3001);
    EXPECT_EQ(loop.nowMs(), 6002);
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.1:1/" })); // judged on what had arrived
    EXPECT_EQ(scanEnds, 1);
}

// An error after the answer began ends it the way a close does; one before any byte fails the check.
TEST_F(ScanSim, AResetAfterTheAnswerBeganIsJudgedLikeAClose)
{
    using Kind = PeerStep::Kind;
    struct Row {
        std::vector<PeerStep> reply;
        int found;
        const char* endText;
    };
    const std::vector<Row> rows = {
        { { { 5, Kind::Data, page("1"), 1 }, { 5, Kind::Reset, {}, 1 } }, 1, "Status: Scan Complete!" },
        { { { 5, Kind::Data, page("2"), 1 }, { 205, Kind::Reset, {}, 1 } }, 1, "Status: Scan Complete!" },
        { { { 5, Kind::Data, page("3").substr(0, 25), 1 }, { 9, Kind::Reset, {}, 1 } }, 0, "Status: Scan Complete!" },
        { { { 5, Kind::Reset, {}, 1 } }, 0, "Status: Checking Completed." },
    };
    view.slider = 1;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string host = "10.0.0." + std::to_string(r + 1);
        PeerScript script;
        script.reply = rows[r].reply;
        loop.setPeer(host, 1, script);
        add({ host + ":1" });
        const int before = found.rowCount();
        engine.start();
        loop.runUntilIdle();
        EXPECT_EQ(found.rowCount() - before, rows[r].found) << r;
        EXPECT_EQ(view.panel(1), rows[r].endText) << r;
        EXPECT_EQ(loop.nowMs() - loop.connects().back().atMs, rows[r].reply.back().afterMs + 1) << r;
    }
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.1:1/1", "10.0.0.2:1/2" }));
}

TEST_F(ScanSim, UnusableEntriesAreFailedChecksAndNeverReuseTheLastProxy)
{
    view.slider = 2;
    add({ "10.0.0.1:80", "", "nocolon", "10.0.0.2:", "10.0.0.2:http", "10.0.0.2:0", "10.0.0.2:70000", ":80",
        "10.0.0.3:\t081 ", "10.0.0.4:82:x" });
    working("10.0.0.1", 80, "1");
    working("10.0.0.3", 81, "3");
    working("10.0.0.4", 82, "4");
    engine.start();
    loop.runUntilIdle();
    EXPECT_EQ(connected(), (std::vector<std::string> { "10.0.0.1:80", "10.0.0.3:81", "10.0.0.4:82" }));
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.1:80/1", "10.0.0.3:81/3", "10.0.0.4:82/4" }));
    EXPECT_EQ(checksEnded, 10);
    EXPECT_EQ(scanEnds, 1);
}

TEST_F(ScanSim, OnlyUnusableEntriesEndTheScanAtStart)
{
    add({ "", "junk" });
    engine.start();
    EXPECT_EQ(scanEnds, 1);
    EXPECT_TRUE(view.idle());
    EXPECT_EQ(view.panel(1), "Status: Scan Complete!");
    EXPECT_TRUE(loop.connects().empty());
}

TEST_F(ScanSim, FewerEntriesThanSocketsLeavesTheRestIdle)
{
    view.slider = 10;
    add({ "10.0.0.1:1", "10.0.0.2:1" });
    working("10.0.0.1", 1, "1", 30);
    working("10.0.0.2", 1, "2", 10);
    engine.start();
    EXPECT_EQ(engine.checksInFlight(), 2);
    EXPECT_EQ(view.countOf(1, "Status: Scan Complete!"), 0);
    loop.runUntilIdle();
    EXPECT_EQ(connected().size(), 2u);
    EXPECT_EQ(found.rowCount(), 2);
    EXPECT_EQ(scanEnds, 1);
}

TEST_F(ScanSim, BadTimeoutTextKeepsTheLastValidInterval)
{
    view.slider = 1;
    view.timeout = "abc";
    add({ "10.0.0.1:1", "10.0.0.2:1", "10.0.0.3:1" });
    silent("10.0.0.1", 1);
    silent("10.0.0.2", 1);
    silent("10.0.0.3", 1);
    engine.start();
    view.timeout = "500"; // read again at the send
    loop.runUntil(501);
    ASSERT_EQ(loop.connects().size(), 2u);
    EXPECT_EQ(loop.connects()[1].atMs, 501);
    view.timeout = "0";
    loop.runUntil(1002);
    EXPECT_EQ(loop.connects().size(), 3u);
    view.timeout = " ";
    loop.runUntilIdle();
    EXPECT_EQ(loop.nowMs(), 1503);
    EXPECT_EQ(scanEnds, 1);
}

TEST_F(ScanSim, FirstScanWithBadTimeoutTextUsesEightSeconds)
{
    view.slider = 1;
    view.timeout = "-5";
    add({ "10.0.0.1:1" });
    silent("10.0.0.1", 1);
    engine.start();
    loop.runUntilIdle();
    EXPECT_EQ(loop.nowMs(), 1 + 8000);
    EXPECT_EQ(scanEnds, 1);
}

TEST_F(ScanSim, StopClosesEverySocketEvenAfterTheSliderWasLowered)
{
    view.slider = 5;
    for (int i = 1; i <= 8; ++i) {
        add({ "10.0.0." + std::to_string(i) + ":1" });
        working("10.0.0." + std::to_string(i), 1, "1", 100);
    }
    engine.start();
    loop.runUntil(50);
    view.slider = 1;
    engine.sliderScroll();
    EXPECT_EQ(view.socketsCaption, "Sockets [ 1 ]");
    engine.stop();
    EXPECT_EQ(view.log.back(), std::make_pair(1, std::string("Status: Stopping..")));
    EXPECT_EQ(view.countOf(1, "Status: Stopping."), 1);
    EXPECT_TRUE(view.idle());
    const std::size_t writes = view.log.size();
    loop.runUntilIdle();
    EXPECT_EQ(loop.connects().size(), 5u);
    EXPECT_EQ(found.rowCount(), 0);
    EXPECT_EQ(view.log.size(), writes);
    // The five checks cut short are back at the head, in hand-out order, before the three waiting.
    ASSERT_EQ(list1.count(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(list1.item(i), "10.0.0." + std::to_string(i + 1) + ":1");
    EXPECT_EQ(view.panel(3), "Loaded: 8");
    for (auto* socket : loop.sockets())
        EXPECT_EQ(socket->state(), TcpSocket::State::Closed);

    // The next Start checks them all.
    view.slider = 8;
    engine.start();
    loop.runUntilIdle();
    EXPECT_EQ(found.rowCount(), 8);
    EXPECT_EQ(list1.count(), 0);
    EXPECT_EQ(scanEnds, 1);
}

TEST_F(ScanSim, StartWhileRunningAbandonsNothing)
{
    view.slider = 2;
    add({ "10.0.0.1:1", "10.0.0.2:1", "10.0.0.3:1" });
    for (int i = 1; i <= 3; ++i)
        working("10.0.0." + std::to_string(i), 1, "1", 100);
    engine.start();
    loop.runUntil(50);
    engine.start();
    EXPECT_EQ(loop.connects().size(), 2u);
    loop.runUntilIdle();
    EXPECT_EQ(found.rowCount(), 3);
    EXPECT_EQ(scanEnds, 1);
}

TEST_F(ScanSim, EntriesAddedDuringAScanWakeIdleSockets)
{
    view.slider = 3;
    add({ "10.0.0.1:1" });
    working("10.0.0.1", 1, "1", 1000);
    working("10.0.0.2", 1, "2", 10);
    working("10.0.0.3", 1, "3", 10);
    engine.start();
    loop.runUntil(100);
    add({ "10.0.0.2:1", "10.0.0.3:1" });
    engine.wakeIdleSockets();
    EXPECT_EQ(engine.checksInFlight(), 3);
    loop.runUntilIdle();
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.2:1/2", "10.0.0.3:1/3", "10.0.0.1:1/1" }));
    EXPECT_EQ(scanEnds, 1);
}

TEST_F(ScanSim, ClearingThePendingListEndsTheScanAfterTheChecksInFlight)
{
    view.slider = 2;
    for (int i = 1; i <= 6; ++i) {
        add({ "10.0.0." + std::to_string(i) + ":1" });
        working("10.0.0." + std::to_string(i), 1, "1", 100);
    }
    engine.start();
    loop.runUntil(50);
    list1.clear();
    loop.runUntilIdle();
    EXPECT_EQ(found.rowCount(), 2);
    EXPECT_EQ(scanEnds, 1);
    EXPECT_EQ(view.panel(3), "Loaded: 0");
}

TEST_F(ScanSim, StartAndStopWithoutAScan)
{
    engine.start();
    EXPECT_EQ(view.panel(1), "Status: Please load some proxies!");
    EXPECT_TRUE(view.buttons.empty());
    engine.stop();
    EXPECT_EQ(view.panel(1), "Status: Stopping..");
    EXPECT_TRUE(view.idle());

    view.slider = 0; // no sockets: running until Stop
    add({ "10.0.0.1:1" });
    engine.start();
    EXPECT_TRUE(view.running());
    EXPECT_EQ(view.panel(1), "Status: Initiating..");
    EXPECT_EQ(loop.runUntilIdle(), 0);
    EXPECT_EQ(list1.count(), 1);
    engine.stop();
    EXPECT_TRUE(view.idle());
    EXPECT_EQ(scanEnds, 0);
}

TEST_F(ScanSim, FoundCountLevelsAndDuplicates)
{
    view.slider = 1;
    add({ "10.0.0.1:1", "10.0.0.2:1", "10.0.0.1:1" });
    working("10.0.0.1", 1, "3");
    loop.setPeer("10.0.0.2", 1, PeerScript::answering("Comment without any marker"));
    engine.start();
    loop.runUntil(10);
    EXPECT_EQ(view.panel(2), "Found: 1");
    loop.runUntilIdle();
    // The second answer had no marker: its level is empty even though the socket's last had one.
    EXPECT_EQ(foundRows(), (std::vector<std::string> { "10.0.0.1:1/3", "10.0.0.2:1/", "10.0.0.1:1/3" }));
    EXPECT_EQ(list2.count(), 3);
    EXPECT_EQ(list2.item(0), list2.item(2));
    EXPECT_EQ(view.countOf(2, "Found: 3"), 1);
    EXPECT_EQ(found.rowText(0), "");
}

TEST_F(ScanSim, FailingAnswersLeaveNoTrace)
{
    view.slider = 2;
    add({ "10.0.0.1:1", "10.0.0.2:1", "10.0.0.3:1" });
    loop.setPeer("10.0.0.1", 1, PeerScript::answering("HTTP/1.0 403 Forbidden\r\n\r\ncomment"));
    loop.setPeer("10.0.0.2", 1, PeerScript::answering(""));
    loop.setPeer("10.0.0.3", 1, PeerScript::answering(std::string(300000, 'A') + "Comment"));
    engine.start();
    loop.runUntilIdle();
    EXPECT_EQ(found.rowCount(), 0); // the third's marker lies beyond the cap
    EXPECT_EQ(list2.count(), 0);
    EXPECT_EQ(view.panel(2), "Good: 0");
    EXPECT_EQ(scanEnds, 1);
}

TEST_F(ScanSim, ManyEntriesAndSocketsRunToTheEnd)
{
    view.slider = 100;
    for (int i = 0; i < 5000; ++i) {
        const std::string host = "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250);
        add({ host + ":8080" });
        if (i % 3 == 0)
            working(host, 8080, std::to_string(i % 10), 1 + i % 17);
        else if (i % 3 == 1)
            silent(host, 8080);
    }
    engine.start();
    loop.runUntilIdle();
    EXPECT_EQ(checksEnded, 5000);
    EXPECT_EQ(found.rowCount(), 1667);
    EXPECT_EQ(scanEnds, 1);
    EXPECT_EQ(loop.pendingEvents(), 0u);
}

} // namespace
} // namespace qv
