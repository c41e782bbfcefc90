// quorvane-check's command line and its output, on the fake loop.
#include <QJsonDocument>
#include <QJsonObject>
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

std::optional<CheckOptions> parse(std::vector<std::string> args, std::string* errorOut = nullptr)
{
    std::string error;
    auto options = CheckOptions::parse(args, error);
    if (errorOut)
        *errorOut = error;
    return options;
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

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> { {}, { "--quiet" }, { "--sockets", "0", "a" },
             { "--format", "xml", "a" }, { "--sockets", "x", "a" }, { "--timeout", "0", "a" }, { "--timeout", "-1", "a" },
             { "--timeout", "99999999999", "a" }, { "--colour", "a" }, { "a", "--judge" }, { "--out=", "a" },
             { "--quiet=1", "a" }, { "--unique=no", "a" }, { "-x", "a" }, { "--judge=j/x.php", "a" }, { "--judge", "http:///x", "a" },
             { "--judge", "1http://j/", "a" }, { "--shard", "0/1", "a" }, { "--shard", "2/1", "a" }, { "--shard", "1", "a" },
             { "--shard", "1/0", "a" }, { "", "a" }, { "--my-address", "host.test", "a" }, { "--my-address=1.2.3", "a" } }) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << testing::PrintToString(args);
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
    for (const auto& [a, b] : same) {
        EXPECT_EQ(EntryFilter::key(a), EntryFilter::key(b)) << a;
        EXPECT_EQ(EntryFilter::shardOf(a, 7), EntryFilter::shardOf(b, 7)) << a;
    }
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
            queue.append(all.back());
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

class CheckRun : public testing::Test {
protected:
    // The judge of these runs, fetched directly before each scan.
    CheckRun() { loop.setPeer("j", 80, PeerScript::answering("Comment")); }
    int run(const std::vector<std::string>& args)
    {
        const int status = runner.begin(*parse(args));
        if (status != -1)
            return status;
        loop.runUntilIdle();
        return runner.finish();
    }

    QTemporaryDir dir;
    FakeEventLoop loop;
    std::ostringstream out, err;
    CheckRunner runner { loop, out, err };
};

TEST_F(CheckRun, FindsGoToStdoutAndTheExportToOut)
{
    loop.setPeer("10.0.0.1", 80, PeerScript::answering("Comment color=\"blue\">2", 700));
    loop.setPeer("10.0.0.2", 81, PeerScript::answering("nothing here", 10));
    loop.setPeer("10.0.0.3", 82, PeerScript::answering("Comment", 20));
    const std::string found = dir.filePath(QStringLiteral("found.txt")).toStdString();
    EXPECT_EQ(run({ "--judge", "http://j/", "--sockets", "2", "--progress", "--out", found,
                  test::writeIn(dir, "l.txt", "10.0.0.1: \t080 \r\n10.0.0.2:81\r\n"), test::writeIn(dir, "m.txt", "10.0.0.3:82\r\nbad\r\n") }),
        0);
    EXPECT_EQ(out.str(), "10.0.0.3:82\t\thttp\t\n10.0.0.1:80\t2\thttp\t\n");
    EXPECT_EQ(test::readFile(found), "10.0.0.3:82\r\n10.0.0.1:80\r\n");
    const std::string log = err.str();
    // A progress line at 250 ms: 3 checks in 0.25 s leave 1 for about a second.
    EXPECT_NE(log.find("checked 3/4, found 1, 12/s, 0:01 left\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Status: Scan Complete!\nchecked 4/4, found 2, "), std::string::npos) << log;
    EXPECT_NE(log.find(", Good: 2\n"), std::string::npos) << log;
    EXPECT_LE(std::count(log.begin(), log.end(), '\n'), 10) << "progress a few times a second, not per event";
}

// One line of a format read back as ip[:port]|level|ms|ok|reason|protocol|exit|leak; tsv has no ms
// ("-") and writes an entry with a scheme whole.
std::string readBack(const std::string& format, const std::string& line)
{
    std::vector<std::string> f(1);
    if (format == "json") {
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        const auto text = [&](const char* key) { return o.value(QString::fromLatin1(key)).toString().toStdString(); };
        const QJsonValue port = o.value(u"port"), ms = o.value(u"ms"), leak = o.value(u"leak");
        EXPECT_TRUE((port.isDouble() || port.isNull()) && ms.isDouble() && (leak.isBool() || leak.isNull())) << line;
        f = { text("ip") + (port.isNull() ? "" : ":" + std::to_string(port.toInt())), text("level"),
            std::to_string(ms.toInteger()), o.value(u"ok").toBool() ? "true" : "false", text("reason"), text("protocol"), text("exit"),
            leak.isNull() ? "" : leak.toBool() ? "true" : "false" };
    } else {
        const bool csv = format == "csv";
        for (std::size_t i = 0, quoted = 0; i < line.size(); ++i) {
            if (csv && quoted && line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"')
                f.back() += line[++i];
            else if (csv && line[i] == '"')
                quoted = !quoted;
            else if (line[i] == (csv ? ',' : '\t') && !quoted)
                f.emplace_back();
            else
                f.back() += line[i];
        }
        if (csv && f.size() == 9 && !f[1].empty())
            f[0] += ":" + f[1];
        if (csv)
            f.erase(f.begin() + 1);
        else
            f.resize(7), f.insert(f.begin() + 2, "-");
    }
    std::string row;
    for (const std::string& field : f)
        row += (row.empty() ? "" : "|") + field;
    return row;
}

// Each format read back by a parser, with --all: a find whose level is a quote and whose page shows
// this machine's address, a failed check and an unusable entry with a comma and quotes in it.
TEST_F(CheckRun, EveryFormatReadsBack)
{
    const std::string list = test::writeIn(dir, "l.txt", "10.0.0.1:80\n10.0.0.2:81\nsay \"hi\", there\nsocks5://u:p@10.0.0.4:1080\nesc\x1b[0m\x7f\x01\n");
    PeerScript socks;
    for (const std::string& reply : { std::string("\5\2", 2), std::string("\1\0", 2), std::string("\5\0\0\1\0\0\0\0\0\0", 10),
             std::string("REMOTE_ADDR = 198.51.100.7\nComment color:blue\">1") })
        socks.reply.push_back({ 5 * static_cast<std::int64_t>(socks.reply.size() + 1), test::PeerStep::Kind::Data, reply, 1 });
    socks.reply.push_back({ 21, test::PeerStep::Kind::Close, {}, 1 });
    for (const std::string format : { "tsv", "csv", "json" }) {
        FakeEventLoop fresh;
        fresh.setPeer("10.0.0.1", 80, PeerScript::answering("Comment for 10.0.0.9 color:blue\">\"", 700));
        fresh.setPeer("10.0.0.2", 81, PeerScript::answering("nothing here", 10));
        fresh.setPeer("10.0.0.4", 1080, socks);
        std::ostringstream results, log;
        CheckRunner run(fresh, results, log);
        ASSERT_EQ(run.begin(*parse({ "--no-judge-check", "--judge=http://j/", "--all", "--sockets=1", "--my-address=10.0.0.9",
                      "--format", format, list })),
            -1);
        fresh.runUntilIdle();
        std::vector<std::string> rows;
        std::istringstream lines(results.str());
        for (std::string line; std::getline(lines, line);)
            rows.push_back(readBack(format, line));
        const bool tsv = format == "tsv";
        std::vector<std::string> expected { "10.0.0.1:80|\"|" + std::string(tsv ? "-" : "701") + "|true||http||true",
            "10.0.0.2:81||" + std::string(tsv ? "-" : "11") + "|false|no pass marker|http||",
            "say \"hi\", there||" + std::string(tsv ? "-" : "0") + "|false|unusable entry|http||",
            std::string(tsv ? "socks5://u:p@" : "") + "10.0.0.4:1080|1|" + std::string(tsv ? "-" : "22") + "|true||socks5|198.51.100.7|false",
            // Control characters reach no terminal: tsv and csv show them as \xNN, JSON as \u00NN.
            std::string(format == "json" ? "esc\x1b[0m\x7f\x01" : "esc\\x1b[0m\\x7f\\x01") + "||" + (tsv ? "-" : "0") + "|false|unusable entry|http||" };
        if (format == "csv")
            expected.insert(expected.begin(), "ip:port|level|ms|ok|reason|protocol|exit|leak"); // the header, folded the same way
        EXPECT_EQ(rows, expected) << format << ":\n" << results.str();
        EXPECT_FALSE(std::ranges::any_of(results.str(), [](char c) { return (c > 0 && c < 0x20 && c != '\t' && c != '\n') || c == 0x7f; }))
            << format;
    }
}

} // namespace
} // namespace qv
