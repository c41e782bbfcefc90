// quorvane-check's command line and its output, on the fake loop.
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "app/check/CheckOptions.h"
#include "app/check/CheckRunner.h"
#include "support/FakeEventLoop.h"

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

TEST(CheckOptions, DefaultsAndEveryOption)
{
    auto plain = parse({ "list.txt" });
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->judge);
    EXPECT_EQ(plain->sockets, 20);
    EXPECT_EQ(plain->timeoutMs, 8000);
    EXPECT_FALSE(plain->out);
    EXPECT_FALSE(plain->quiet);

    EXPECT_TRUE(plain->judgeCheck);

    auto all = parse({ "--judge", "http://j/x", "--sockets=100", "--timeout", "250", "--out=found.txt", "--quiet",
        "--no-judge-check", "a.txt", "--", "--b.txt" });
    ASSERT_TRUE(all);
    EXPECT_EQ(*all->judge, "http://j/x");
    EXPECT_EQ(all->sockets, 100);
    EXPECT_EQ(all->timeoutMs, 250);
    EXPECT_EQ(*all->out, "found.txt");
    EXPECT_TRUE(all->quiet);
    EXPECT_FALSE(all->judgeCheck);
    EXPECT_EQ(all->files, (std::vector<std::string> { "a.txt", "--b.txt" }));
}

TEST(CheckOptions, BadCommandLinesSayWhy)
{
    const std::vector<std::vector<std::string>> bad = { {}, { "--quiet" }, { "--sockets", "0", "a" },
        { "--sockets", "101", "a" }, { "--sockets", "x", "a" }, { "--timeout", "0", "a" },
        { "--timeout", "-1", "a" }, { "--timeout", "99999999999", "a" }, { "--colour", "a" }, { "a", "--judge" },
        { "--out=", "a" } };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

class CheckRun : public testing::Test {
protected:
    // The judge of these runs, fetched directly before each scan.
    CheckRun() { loop.setPeer("j", 80, PeerScript::answering("Comment")); }
    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    QTemporaryDir dir;
    FakeEventLoop loop;
    std::ostringstream out;
    std::ostringstream err;
    CheckRunner runner { loop, out, err };
};

TEST_F(CheckRun, FindsGoToStdoutAndTheExportToOut)
{
    loop.setPeer("10.0.0.1", 80, PeerScript::answering("Comment color=\"blue\">2", 700));
    loop.setPeer("10.0.0.2", 81, PeerScript::answering("nothing here", 10));
    loop.setPeer("10.0.0.3", 82, PeerScript::answering("Comment", 20));
    CheckOptions options = *parse({ "--judge", "http://j/", "--sockets", "2", "--out",
        dir.filePath(QStringLiteral("found.txt")).toStdString(), write("l.txt", "10.0.0.1: \t080 \r\n10.0.0.2:81\r\n"),
        write("m.txt", "10.0.0.3:82\r\nbad\r\n") });
    int finished = 0;
    runner.onFinished = [&] { ++finished; };
    ASSERT_EQ(runner.begin(options), -1);
    loop.runUntilIdle();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(runner.finish(), 0);
    EXPECT_EQ(out.str(), "10.0.0.3:82\t\n10.0.0.1:80\t2\n");
    EXPECT_EQ(read(*options.out), "10.0.0.3:82\r\n10.0.0.1:80\r\n");
    const std::string log = err.str();
    EXPECT_NE(log.find("Status: Checking 10.0.0.3:82\n"), std::string::npos) << log;
    EXPECT_NE(log.find("checked 3/4, found 1, "), std::string::npos) << log; // a progress line at 250 ms
    EXPECT_NE(log.find("Status: Scan Complete!\nchecked 4/4, found 2, "), std::string::npos) << log;
    EXPECT_NE(log.find(", Good: 2\n"), std::string::npos) << log;
    // Progress is written a few times a second, not per event.
    EXPECT_LE(std::count(log.begin(), log.end(), '\n'), 10);
}

TEST_F(CheckRun, QuietWritesOnlyTheFinds)
{
    loop.setPeer("10.0.0.1", 80, PeerScript::answering("Comment color:blue\">1"));
    ASSERT_EQ(runner.begin(*parse({ "--quiet", "--judge=http://j/", write("l.txt", "10.0.0.1:80") })), -1);
    loop.runUntilIdle();
    EXPECT_EQ(runner.finish(), 0);
    EXPECT_EQ(out.str(), "10.0.0.1:80\t1\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(CheckRun, UnreadableFileIsExitStatusTwo)
{
    const std::string missing = dir.filePath(QStringLiteral("nope.txt")).toStdString();
    EXPECT_EQ(runner.begin(*parse({ "--judge", "http://j/", missing })), 2);
    const std::string log = err.str();
    EXPECT_EQ(log.rfind("quorvane-check: " + missing + ": ", 0), 0u) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    EXPECT_EQ(out.str(), "");
}

TEST_F(CheckRun, EmptyOrUnusableListEndsAtOnce)
{
    EXPECT_EQ(runner.begin(*parse({ "--judge", "http://j/", "--no-judge-check", write("e.txt", "junk\r\n\r\n") })), 0);
    EXPECT_NE(err.str().find("Status: Scan Complete!"), std::string::npos);
    EXPECT_EQ(loop.connects().size(), 0u);
}

} // namespace
} // namespace qv
