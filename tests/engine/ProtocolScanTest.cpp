// Checks through each protocol on the fake event loop: the proxy's replies are scripted in time,
// each after the last thing the check sent, and every check's end is read as the front ends get it.
#include <gtest/gtest.h>

#include "engine/PackedQueue.h"
#include "engine/ScanEngine.h"
#include "support/FakeEventLoop.h"

namespace qv {
namespace {

using test::PeerScript;
using Kind = test::PeerStep::Kind;

const auto bytes = [](std::initializer_list<int> v) { return std::string(v.begin(), v.end()); };

const std::string kPage = "HTTP/1.0 200 OK\r\n\r\n<pre>REMOTE_ADDR = 2001:dB8::9</pre>Comment <b style=\"color:blue\">1</b>";
const std::string kMethodNone = bytes({ 5, 0 });
const std::string kGranted5 = bytes({ 5, 0, 0, 1, 10, 0, 0, 1, 0, 80 });
const std::string kLongUser = "socks5://" + std::string(256, 'u') + "@10.0.0.12:1080"; // more than SOCKS5 can send

// Replies at 5, 10, 15... ms after the first request, then the close.
PeerScript replies(std::vector<std::string> messages)
{
    PeerScript script;
    std::int64_t at = 0;
    for (std::string& message : messages)
        script.reply.push_back({ at += 5, Kind::Data, std::move(message), 1 });
    script.reply.push_back({ at + 1, Kind::Close, {}, 1 });
    return script;
}

struct Recorder final : ScanObserver {
    void entryTaken(std::size_t) override { }
    void checkConnected(std::string_view, std::string_view) override { }
    void scanStarted() override { }
    void scanEnded(const ScanEnd&) override { ++scanEnds; }
    // "protocol entry -> found proxy exit" or "protocol entry -> reason".
    void checkEnded(const CheckEnd& end) override
    {
        std::string line = std::string(protocolName(end.protocol)) + " " + std::string(end.entry) + " -> ";
        const std::string proxy = end.proxy.empty() ? std::string(end.ip) + ":" + std::string(end.portText) : std::string(end.proxy);
        line += end.passed() ? "found " + proxy + " " + std::string(end.exit) : std::string(end.failure());
        ends.push_back(line);
    }
    std::vector<std::string> ends;
    int scanEnds = 0;
};

struct Row {
    const char* name;
    std::vector<std::string> entries;
    std::vector<std::pair<std::string, PeerScript>> peers; // by "host:port"
    std::vector<std::string> ends; // in the order they ended
    std::vector<Protocol> protocols = { Protocol::Http };
    std::string httpsJudge = "";
};

const Row kRows[] = {
    { "PlainEntryAsAlwaysWithItsExitAddress", { "10.0.0.1:80" }, { { "10.0.0.1:80", PeerScript::answering(kPage) } },
        { "http 10.0.0.1:80 -> found 10.0.0.1:80 2001:dB8::9" } },
    { "Socks5Tunnel", { "SOCKS5://u%40x:p@10.0.0.2:1080" }, { { "10.0.0.2:1080", replies({ bytes({ 5, 2 }), bytes({ 1, 0 }), kGranted5, kPage }) } },
        { "socks5 SOCKS5://u%40x:p@10.0.0.2:1080 -> found socks5://u%40x:p@10.0.0.2:1080 2001:dB8::9" } },
    // The one socket's handshake starts afresh after a find and after a check that ended halfway, and offers a password only to the entry with one.
    // The page in the same packet as the reply goes up once the tunnel is open; a silent proxy times out.
    { "Socks5ReplyAndPageInOnePieceThenASilentOne", { "socks5://10.0.0.10:1080", "socks5://10.0.0.11:1080" },
        { { "10.0.0.10:1080", replies({ kMethodNone, kGranted5 + kPage }) }, { "10.0.0.11:1080", PeerScript {} } },
        { "socks5 socks5://10.0.0.10:1080 -> found socks5://10.0.0.10:1080 2001:dB8::9", "socks5 socks5://10.0.0.11:1080 -> timed out" } },
    { "Socks5UserNameTooLongFailsFromTheLoop", { kLongUser }, { { "10.0.0.12:1080", PeerScript {} } }, { "socks5 " + kLongUser + " -> socks error" } },
    { "Socks5ClosedDuringTheHandshakeAmongOthers", { "socks5h://10.0.0.9:1080", "socks5h://10.0.0.4:1080", "socks5h://10.0.0.9:1080", "socks5h://u%40x:p@10.0.0.2:1080" },
        { { "10.0.0.4:1080", replies({ kMethodNone, bytes({ 5 }) }) }, { "10.0.0.9:1080", replies({ kMethodNone, kGranted5, kPage }) },
            { "10.0.0.2:1080", replies({ bytes({ 5, 2 }), bytes({ 1, 0 }), kGranted5, kPage }) } },
        { "socks5h socks5h://10.0.0.9:1080 -> found socks5h://10.0.0.9:1080 2001:dB8::9", "socks5h socks5h://10.0.0.4:1080 -> bad reply",
            "socks5h socks5h://10.0.0.9:1080 -> found socks5h://10.0.0.9:1080 2001:dB8::9",
            "socks5h socks5h://u%40x:p@10.0.0.2:1080 -> found socks5h://u%40x:p@10.0.0.2:1080 2001:dB8::9" } },
    { "HttpsWithoutAnHttpsJudge", { "https://10.0.0.5:3128", "10.0.0.1:80" }, { { "10.0.0.1:80", PeerScript::answering(kPage) } },
        { "https https://10.0.0.5:3128 -> no https judge", "http 10.0.0.1:80 -> found 10.0.0.1:80 2001:dB8::9" } },
    { "HttpsTunnelToSomethingThatIsNotTls", { "https://10.0.0.6:3128" },
        { { "10.0.0.6:3128", replies({ "HTTP/1.1 200 Connection established\r\n\r\n", "HTTP/1.0 400 Bad Request\r\n\r\n" }) } },
        { "https https://10.0.0.6:3128 -> tls error" }, { Protocol::Http }, "https://judge.test/" },
    { "PasswordWantedOrRefused", { "10.0.0.7:80", "http://bob:pw@10.0.0.7:80" },
        { { "10.0.0.7:80", PeerScript::answering("HTTP/1.0 407 Proxy Authentication Required\r\n\r\n") } },
        { "http 10.0.0.7:80 -> auth required", "http http://bob:pw@10.0.0.7:80 -> auth refused" } },
    // An HTTP proxy checked with each protocol: found once, the SOCKS checks read its page as a bad reply.
    { "EveryProtocolOfAnEntryWithoutScheme", { "10.0.0.8:8080", "junk", "socks4://10.0.0.3:1080" },
        { { "10.0.0.8:8080", PeerScript::answering(kPage) }, { "10.0.0.3:1080", replies({ bytes({ 0, 91 }) }) } },
        { "http 10.0.0.8:8080 -> found 10.0.0.8:8080 2001:dB8::9", "socks4 10.0.0.8:8080 -> bad reply", "socks5 10.0.0.8:8080 -> bad reply",
            "http junk -> unusable entry", "socks4 socks4://10.0.0.3:1080 -> socks refused" },
        { Protocol::Http, Protocol::Socks4, Protocol::Socks5 } },
};

// The engine on the fake loop with the row's peers and pending entries, started with one socket.
struct Rig
{
    Rig(const Row& row)
    {
        for (const auto& [at, script] : row.peers) {
            const std::size_t colon = at.find(':');
            loop.setPeer(at.substr(0, colon), std::stoi(at.substr(colon + 1)), script);
        }
        for (const std::string& entry : row.entries)
            pending.append(entry);
        started = engine.start({ .sockets = 1,
            .judge = "http://judge.test/",
            .protocols = row.protocols,
            .httpsJudge = row.httpsJudge });
    }

    test::FakeEventLoop loop;
    PackedQueue pending;
    Recorder recorder;
    ScanEngine engine { loop, pending, recorder };
    bool started = false;
};

TEST(ProtocolScan, EachProtocolsFindsAndReasons)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        Rig rig(row);
        ASSERT_TRUE(rig.started);
        rig.loop.runUntilIdle();
        EXPECT_EQ(rig.recorder.ends, row.ends);
        EXPECT_EQ(rig.recorder.scanEnds, 1);
    }
}

// Stop gives back the checks of an entry's further protocols with their scheme, so that the next
// Start checks each protocol once.
TEST(ProtocolScan, StopGivesBackEachProtocolWithItsScheme)
{
    // The first accepts and never answers.
    Rig rig({ "", { "10.0.0.1:1", "10.0.0.2:2" }, { { "10.0.0.1:1", PeerScript {} } }, {},
        { Protocol::Http, Protocol::Socks5h } });
    auto& [loop, pending, recorder, engine, started] = rig;
    ASSERT_TRUE(started);
    loop.runUntil(10);
    EXPECT_EQ(engine.stop().putBack, 2u);
    std::vector<std::string> left;
    for (std::string entry; pending.takeFront(entry);)
        left.push_back(entry);
    EXPECT_EQ(left, (std::vector<std::string> { "http://10.0.0.1:1", "socks5h://10.0.0.1:1", "10.0.0.2:2" }));
}

} // namespace
} // namespace qv
