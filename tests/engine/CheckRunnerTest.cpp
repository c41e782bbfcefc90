// quorvane-check's command line and its output, on the fake loop.
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sstream>

#include "app/check/CheckOptions.h"
#include "app/check/CheckRunner.h"
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
    auto all = parse({ "--judge", "http://j/x", "--sockets=5000", "--timeout", "250", "--out=found.txt", "--quiet",
        "--no-judge-check", "--format=json", "--all", "--progress", "a.txt", "-", "--", "--b.txt" });
    ASSERT_TRUE(all);
    EXPECT_TRUE(*all->judge == "http://j/x" && *all->out == "found.txt" && all->sockets == 5000 && all->timeoutMs == 250);
    EXPECT_TRUE(all->quiet && !all->judgeCheck && all->all && all->progress && all->format == CheckOptions::Format::Json);
    EXPECT_EQ(all->files, (std::vector<std::string> { "a.txt", "-", "--b.txt" }));

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> { {}, { "--quiet" }, { "--sockets", "0", "a" },
             { "--format", "xml", "a" }, { "--sockets", "x", "a" }, { "--timeout", "0", "a" }, { "--timeout", "-1", "a" },
             { "--timeout", "99999999999", "a" }, { "--colour", "a" }, { "a", "--judge" }, { "--out=", "a" } }) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << testing::PrintToString(args);
        EXPECT_TRUE(!error.empty() && error.find('\n') == std::string::npos) << error;
    }
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

// One line of a format read back as ip[:port]|level|ms|ok|reason|protocol|exit; tsv has no ms ("-")
// and writes an entry with a scheme whole.
std::string readBack(const std::string& format, const std::string& line)
{
    std::vector<std::string> f(1);
    if (format == "json") {
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        const auto text = [&](const char* key) { return o.value(QString::fromLatin1(key)).toString().toStdString(); };
        const QJsonValue port = o.value(u"port"), ms = o.value(u"ms");
        EXPECT_TRUE((port.isDouble() || port.isNull()) && ms.isDouble()) << line;
        f = { text("ip") + (port.isNull() ? "" : ":" + std::to_string(port.toInt())), text("level"),
            std::to_string(ms.toInteger()), o.value(u"ok").toBool() ? "true" : "false", text("reason"), text("protocol"), text("exit") };
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
        if (csv && f.size() == 8 && !f[1].empty())
            f[0] += ":" + f[1];
        if (csv)
            f.erase(f.begin() + 1);
        else
            f.resize(6), f.insert(f.begin() + 2, "-");
    }
    std::string row;
    for (const std::string& field : f)
        row += (row.empty() ? "" : "|") + field;
    return row;
}

// Each format read back by a parser, with --all: a find whose level is a quote, a failed check and
// an unusable entry with a comma and quotes in it.
TEST_F(CheckRun, EveryFormatReadsBack)
{
    const std::string list = test::writeIn(dir, "l.txt", "10.0.0.1:80\n10.0.0.2:81\nsay \"hi\", there\nsocks5://u:p@10.0.0.4:1080\n");
    PeerScript socks;
    for (const std::string& reply : { std::string("\5\2", 2), std::string("\1\0", 2), std::string("\5\0\0\1\0\0\0\0\0\0", 10),
             std::string("REMOTE_ADDR = 198.51.100.7\nComment color:blue\">1") })
        socks.reply.push_back({ 5 * static_cast<std::int64_t>(socks.reply.size() + 1), test::PeerStep::Kind::Data, reply, 1 });
    socks.reply.push_back({ 21, test::PeerStep::Kind::Close, {}, 1 });
    for (const std::string format : { "tsv", "csv", "json" }) {
        FakeEventLoop fresh;
        fresh.setPeer("10.0.0.1", 80, PeerScript::answering("Comment color:blue\">\"", 700));
        fresh.setPeer("10.0.0.2", 81, PeerScript::answering("nothing here", 10));
        fresh.setPeer("10.0.0.4", 1080, socks);
        std::ostringstream results, log;
        CheckRunner run(fresh, results, log);
        ASSERT_EQ(run.begin(*parse({ "--no-judge-check", "--judge=http://j/", "--all", "--sockets=1", "--format", format, list })), -1);
        fresh.runUntilIdle();
        std::vector<std::string> rows;
        std::istringstream lines(results.str());
        for (std::string line; std::getline(lines, line);)
            rows.push_back(readBack(format, line));
        const bool tsv = format == "tsv";
        std::vector<std::string> expected { "10.0.0.1:80|\"|" + std::string(tsv ? "-" : "701") + "|true||http|",
            "10.0.0.2:81||" + std::string(tsv ? "-" : "11") + "|false|no pass marker|http|",
            "say \"hi\", there||" + std::string(tsv ? "-" : "0") + "|false|unusable entry|http|",
            std::string(tsv ? "socks5://u:p@" : "") + "10.0.0.4:1080|1|" + std::string(tsv ? "-" : "22") + "|true||socks5|198.51.100.7" };
        if (format == "csv")
            expected.insert(expected.begin(), "ip:port|level|ms|ok|reason|protocol|exit"); // the header, folded the same way
        EXPECT_EQ(rows, expected) << format << ":\n" << results.str();
    }
}

} // namespace
} // namespace qv
