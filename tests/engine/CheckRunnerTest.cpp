// quorvane-check's command line and its output, on the fake loop.
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

#include "app/check/AddressLeak.h"
#include "app/check/CheckOptions.h"
#include "app/check/CheckRunner.h"
#include "app/check/EntryFilter.h"
#include "engine/PackedQueue.h"
#include "support/FakeEventLoop.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using test::FakeEventLoop;
using test::PeerScript;

std::optional<CheckOptions> parse(const std::vector<std::string>& args)
{
    std::string error;
    return CheckOptions::parse(args, error);
}

TEST(CheckOptions, DefaultsEveryOptionAndBadCommandLines)
{
    auto plain = parse({ "list.txt" });
    ASSERT_TRUE(plain);
    EXPECT_TRUE(!plain->judge && !plain->out && !plain->quiet && plain->judgeCheck && !plain->all && !plain->progress);
    EXPECT_TRUE(plain->sockets == 20 && plain->timeoutMs == 8000 && plain->format == CheckOptions::Format::Tsv);
    EXPECT_TRUE(!plain->unique && plain->shard == 1 && plain->shards == 1);
    auto all = parse({ "--judge", "http://j/x", "--sockets=5000", "--timeout", "250", "--out=found.txt", "--quiet",
        "--no-judge-check", "--format=json", "--all", "--progress", "--unique", "--shard=2/3", "a.txt", "-", "\xe9.txt",
        "--", "--b.txt" });
    ASSERT_TRUE(all);
    EXPECT_TRUE(*all->judge == "http://j/x" && *all->out == "found.txt" && all->sockets == 5000 && all->timeoutMs == 250);
    EXPECT_TRUE(all->quiet && !all->judgeCheck && all->all && all->progress && all->format == CheckOptions::Format::Json);
    EXPECT_TRUE(all->unique && all->shard == 2 && all->shards == 3);
    EXPECT_EQ(all->files, (std::vector<std::string> { "a.txt", "-", "\xe9.txt", "--b.txt" }));

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> { {}, { "--sockets", "0", "a" },
             { "--format", "xml", "a" }, { "--sockets", "x", "a" }, { "--timeout", "0", "a" }, { "--timeout", "-1", "a" },
             { "--timeout", "99999999999", "a" }, { "--colour", "a" }, { "a", "--judge" }, { "--out=", "a" },
             { "--quiet=1", "a" }, { "-x", "a" }, { "--judge=j/x.php", "a" }, { "--judge", "http:///x", "a" },
             { "--judge", "1http://j/", "a" }, { "--shard", "0/1", "a" }, { "--shard", "2/1", "a" },
             { "--shard", "1", "a" }, { "--shard", "1/0", "a" }, { "", "a" }, { "--my-address=1.2.3", "a" } }) {
        std::string error;
        EXPECT_FALSE(CheckOptions::parse(args, error)) << testing::PrintToString(args);
        EXPECT_TRUE(!error.empty() && error.find('\n') == std::string::npos) << error;
    }
}

// Lines that name the same proxy share a key (and so a shard), whatever their letter case, blanks
// or port zeros; --unique keeps each key once in a table that grows, packed or as text.
TEST(EntryFilter, SameProxySameKeyAndEachOnce)
{
    const std::pair<std::string, std::string> same[] = {
        { "1.2.3.4:80", " 1.2.3.4: 080\t" }, { "Proxy.TEST:8080", "proxy.test :8080:x" },
        { "not a proxy", "\tNOT A PROXY " }, { "\xc9t\xe9:1", "\xe9T\xc9:01" },
    };
    for (const auto& [a, b] : same)
        EXPECT_EQ(EntryFilter::key(a), EntryFilter::key(b)) << a;
    EXPECT_NE(EntryFilter::key("1.2.3.4:80"), EntryFilter::key("1.2.3.4:81"));
    EXPECT_NE(EntryFilter::key("01.2.3.4:80"), EntryFilter::key("1.2.3.4:80")); // a leading zero may mean octal
    // The split must not change between releases: lists are sharded on several machines at once.
    EXPECT_EQ(EntryFilter::shardOf("1.2.3.4:80", 1000), 454); // 64-bit FNV-1a of the key, modulo N, plus one

    EntryFilter unique(true, 1, 1);
    std::set<std::string> reference;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 60000; ++i) {
            const std::string line = i % 3 == 0 ? "10." + std::to_string(i / 250 % 250) + "." + std::to_string(i % 250) + ".1:" + std::to_string(i % 7 + 1)
                : i % 3 == 1 ? "host" + std::to_string(i % 5000) + ".test:3128"
                             : std::string(static_cast<std::size_t>(i % 300), 'x') + std::to_string(i);
            ASSERT_EQ(unique.accept(line), reference.insert(EntryFilter::key(line)).second) << line;
        }
    }
    for (const char* skipped : { "", " \t", "# 1.2.3.4:80", "\t;1.2.3.4:80" })
        EXPECT_FALSE(unique.accept(skipped)) << skipped;
    EntryFilter::DistinctSet plain;
    for (std::uint32_t i = 0; i < 100000; ++i)
        plain.insert(std::to_string(i >> 24) + "." + std::to_string(i >> 16 & 255) + "." + std::to_string(i >> 8 & 255) + "."
            + std::to_string(i & 255) + ":80");
    EXPECT_EQ(plain.size(), 100000u);
    EXPECT_LE(plain.bytesUsed(), 100000u * 22) << "packed: 8 bytes a slot, the table at most 3/8 full after growing";
}

// The judge page names the address it saw; a proxy's page that shows the checker's own address
// anywhere leaks it, but a longer number that contains it does not.
TEST(AddressLeak, ReadsTheOwnAddressAndFindsItOnlyWhole)
{
    EXPECT_EQ(AddressLeak::remoteAddress("<pre>REMOTE_ADDR = 203.0.113.7\r\nHTTP_VIA = x</pre>"), "203.0.113.7");
    EXPECT_EQ(AddressLeak::remoteAddress("REMOTE_ADDR = ::FFFF:203.0.113.7</pre>"), "203.0.113.7");
    EXPECT_EQ(AddressLeak::remoteAddress("REMOTE_ADDR = 2001:db8::7<br>"), "2001:db8::7");
    EXPECT_EQ(AddressLeak::remoteAddress("REMOTE_ADDR: 203.0.113.7"), "");
    const std::tuple<std::string, std::string, bool> rows[] = {
        { "X-Forwarded-For: 203.0.113.7", "203.0.113.7", true }, { "for=203.0.113.7:5555;", "203.0.113.7", true },
        { "::ffff:203.0.113.7", "203.0.113.7", true }, { "203.0.113.70", "203.0.113.7", false },
        { "1203.0.113.7", "203.0.113.7", false }, { "203.0.113.7.1", "203.0.113.7", false }, { "", "203.0.113.7", false },
        { "for=\"[2001:DB8::7]:80\"", "2001:db8::7", true }, { "2001:db8::71", "2001:db8::7", false },
        { "x 203.0.113.70 and 203.0.113.7", "203.0.113.7", true }, { "anything", "", false },
    };
    for (const auto& [page, address, leaks] : rows)
        EXPECT_EQ(AddressLeak::shows(page, address), leaks) << page << " / " << address;
}

// The pending list packs plain IPv4 entries into 7 bytes: every entry, packed or not, comes back
// byte for byte and in order, across blocks and after entries are put back at the head.
TEST(PackedQueue, EveryEntryComesBackAsItWas)
{
    const std::vector<std::string> kinds { "1.2.3.4:80", "255.255.255.255:65535", "0.0.0.0:0", "01.2.3.4:80",
        "1.2.3.4:080", "1.2.3.4: 80", "1.2.3.256:80", "1.2.3.4:65536", "1.2.3:80", "1.2.3.4.5:80", "1.2.3.4:80:x",
        "1.2.3.4:", "", "proxy.example:8080", "[::1]:80", std::string(300, 'x'), std::string("a\0\xe9:1", 5) };
    PackedQueue queue;
    std::vector<std::string> all;
    for (int round = 0; round < 20000; ++round) {
        for (const std::string& kind : kinds) {
            all.push_back(kind + (round % 7 == 0 ? std::string() : std::to_string(round % 10)));
            ASSERT_TRUE(queue.append(all.back())) << "a packed queue has no limit";
        }
    }
    std::vector<std::string> listed;
    queue.forEach([&](const std::string& text) { listed.push_back(text); });
    EXPECT_EQ(listed, all);
    std::string text;
    std::size_t at = 0;
    for (; at < all.size() / 2; ++at)
        ASSERT_TRUE(queue.takeFront(text) && text == all[at]) << at;
    EXPECT_EQ(queue.putFront({ "back:1", all[at - 1] }), 2u);
    EXPECT_EQ(queue.count(), all.size() - at + 2);
    ASSERT_TRUE(queue.takeFront(text) && text == "back:1");
    ASSERT_TRUE(queue.takeFront(text) && text == all[at - 1]);
    for (; at < all.size(); ++at)
        ASSERT_TRUE(queue.takeFront(text) && text == all[at]) << at;
    EXPECT_FALSE(queue.takeFront(text));
    EXPECT_EQ(queue.count(), 0u);
}

// Each format with --all, after a judge check whose page shows this machine as 10.0.0.9: a find
// whose level is a quote and whose page shows that address (csv's --my-address names another one),
// a failed check, an unusable entry with a comma and quotes in it, a SOCKS find with its exit, and
// control characters, which reach no terminal: tsv and csv show them as \xNN, JSON as \u00NN; a tab
// inside an entry is a blank in tsv. Last, two lists without the judge check (the address, and so
// the leak, unknown) with the progress line and the summary on standard error.
TEST(CheckRun, EveryFormatExactly)
{
    QTemporaryDir dir;
    const std::string list = test::writeIn(dir, "l.txt", "10.0.0.1:80\n10.0.0.2:81\nsay \"hi\", there\nsocks5://u:p@10.0.0.4:1080\nesc\x1b[0m\x7f\x01\tx\n");
    PeerScript socks;
    for (const std::string& reply : { std::string("\5\2", 2), std::string("\1\0", 2), std::string("\5\0\0\1\0\0\0\0\0\0", 10),
             std::string("REMOTE_ADDR = 198.51.100.7\nComment color:blue\">1") })
        socks.reply.push_back({ 5 * static_cast<std::int64_t>(socks.reply.size() + 1), test::PeerStep::Kind::Data, reply, 1 });
    socks.reply.push_back({ 21, test::PeerStep::Kind::Close, {}, 1 });
    const std::string summary = "Status: Scan Complete!\nchecked 5/5, found 2, 6/s, Good: 2\n";
    const std::tuple<std::vector<std::string>, std::string, std::string> rows[] = { // options, results, log
        { { "--format=tsv", list },
            "10.0.0.1:80\t\"\ttrue\t\thttp\t\ttrue\n"
            "10.0.0.2:81\t\tfalse\tno pass marker\thttp\t\t\n"
            "say \"hi\", there\t\tfalse\tunusable entry\thttp\t\t\n"
            "socks5://u:p@10.0.0.4:1080\t1\ttrue\t\tsocks5\t198.51.100.7\tfalse\n"
            "esc\\x1b[0m\\x7f\\x01 x\t\tfalse\tunusable entry\thttp\t\t\n", summary },
        { { "--format=csv", "--my-address=10.0.0.8", list },
            "ip,port,level,ms,ok,reason,protocol,exit,leak\n"
            "10.0.0.1,80,\"\"\"\",701,true,,http,,false\n"
            "10.0.0.2,81,,11,false,no pass marker,http,,\n"
            "\"say \"\"hi\"\", there\",,,0,false,unusable entry,http,,\n"
            "10.0.0.4,1080,1,22,true,,socks5,198.51.100.7,false\n"
            "esc\\x1b[0m\\x7f\\x01\tx,,,0,false,unusable entry,http,,\n", summary },
        { { "--format=json", list },
            R"({"exit":"","ip":"10.0.0.1","leak":true,"level":"\"","ms":701,"ok":true,"port":80,"protocol":"http"}
{"exit":"","ip":"10.0.0.2","leak":null,"level":"","ms":11,"ok":false,"port":81,"protocol":"http","reason":"no pass marker"}
{"exit":"","ip":"say \"hi\", there","leak":null,"level":"","ms":0,"ok":false,"port":null,"protocol":"http","reason":"unusable entry"}
{"exit":"198.51.100.7","ip":"10.0.0.4","leak":false,"level":"1","ms":22,"ok":true,"port":1080,"protocol":"socks5"}
{"exit":"","ip":"esc\u001b[0m\u007f\u0001\tx","leak":null,"level":"","ms":0,"ok":false,"port":null,"protocol":"http","reason":"unusable entry"}
)", summary },
        { { "--no-judge-check", "--sockets=2", "--progress",
              test::writeIn(dir, "a.txt", "10.0.0.1: \t080 \r\n10.0.0.2:81\r\n"),
              test::writeIn(dir, "b.txt", "10.0.0.3:82\r\nbad\r\nhttps://10.0.0.5:3128\r\n") },
            "10.0.0.2:81\t\tfalse\tno pass marker\thttp\t\t\n10.0.0.3:82\t\ttrue\t\thttp\t\t\n"
            "bad\t\tfalse\tunusable entry\thttp\t\t\nhttps://10.0.0.5:3128\t\tfalse\tno https judge\thttps\t\t\n"
            "10.0.0.1:80\t\"\ttrue\t\thttp\t\t\n",
            // A progress line each 250 ms: 4 checks in 0.25 s leave 1 for about a second.
            "quorvane-check: no https:// judge (give --judge https://...): https checks fail with \"no https judge\"\n"
            "checked 4/5, found 1, 16/s, 0:01 left\nchecked 4/5, found 1, 8/s, 0:01 left\n"
            "Status: Scan Complete!\nchecked 5/5, found 2, 7/s, Good: 2\n" },
    };
    for (const auto& [options, expected, log] : rows) {
        FakeEventLoop fresh;
        fresh.setPeer("j", 80, PeerScript::answering("REMOTE_ADDR = 10.0.0.9\r\nComment"));
        fresh.setPeer("10.0.0.1", 80, PeerScript::answering("Comment for 10.0.0.9 color:blue\">\"", 700));
        fresh.setPeer("10.0.0.2", 81, PeerScript::answering("nothing here", 10));
        fresh.setPeer("10.0.0.3", 82, PeerScript::answering("Comment", 20));
        fresh.setPeer("10.0.0.4", 1080, socks);
        std::ostringstream results, errors;
        CheckRunner run(fresh, results, errors);
        std::vector<std::string> args { "--judge=http://j/", "--all", "--sockets=1" };
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_EQ(run.begin(*parse(args)), -1);
        fresh.runUntilIdle();
        EXPECT_EQ(run.finish(), 0);
        EXPECT_EQ(results.str(), expected) << options[0];
        EXPECT_EQ(errors.str(), log) << options[0];
    }
}

} // namespace
} // namespace qv
