// What only the quorvane-check process shows: exit statuses, standard input, the open-files limit,
// the judge check before a scan and --all's reasons from its own sockets, on loopback.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "engine/LoopbackServers.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using test::LoopbackProxy;
using Mode = LoopbackProxy::Mode;

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs the program (under "ulimit -n" when openFiles is set) while this process serves the test
// proxies; bounded.
Outcome runCheck(QStringList args, const QString& nameServer = {}, const QByteArray& input = {}, int openFiles = 0,
    QString binary = QStringLiteral(QV_CHECK_BINARY))
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!nameServer.isEmpty())
        environment.insert(QStringLiteral("QV_NAME_SERVERS"), nameServer);
    process.setProcessEnvironment(environment);
    if (openFiles > 0)
        args = QStringList { QStringLiteral("-c"), QStringLiteral("ulimit -n %1 && exec \"$0\" \"$@\"").arg(openFiles), binary } + args;
    process.start(openFiles > 0 ? QStringLiteral("/bin/sh") : binary, args);
    process.waitForStarted(10000);
    process.write(input);
    process.closeWriteChannel();
    for (int i = 0; i < 600 && process.state() != QProcess::NotRunning; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        process.waitForFinished(50);
    }
    if (process.state() != QProcess::NotRunning)
        process.kill(), process.waitForFinished(5000); // a crash exit: status -1
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString() };
}

TEST(CheckProgram, HelpExitsWithZeroBadArgumentsAndUnreadableFilesWithTwo)
{
    const QString missing = QStringLiteral("/nonexistent/missing.txt");
    const QString judge = QStringLiteral("--judge=http://127.0.0.1:9/");
    QTemporaryDir dir;
    const QString list = QString::fromStdString(test::writeIn(dir, "list.txt", "127.0.0.1:9\n"));
    const QString out = dir.filePath(QStringLiteral("kept.txt"));
    test::writeFile(out, "old find\r\n");
    const struct {
        QStringList args;
        int openFiles;
        std::string says;
    } bad[] = {
        { {}, 0, "no proxy list" },
        { { QStringLiteral("--judge"), QStringLiteral("http://j/"), missing }, 0, "missing.txt" },
        { { QStringLiteral("--sockets"), QStringLiteral("100"), missing }, 64, "open-files limit of 64" },
        { { QStringLiteral("--all=yes"), list }, 0, "unexpected value after '--all'" },
        { { QStringLiteral("--colour"), list }, 0, "unknown option 'colour'" },
        { { list, QStringLiteral("--timeout") }, 0, "missing value after '--timeout'" },
        { { QStringLiteral("--shard=0/3"), list }, 0, "--shard must be K/N" },
        { { QStringLiteral("--judge"), QStringLiteral("http://"), list }, 0, "a scheme and a host" },
        { { QStringLiteral("--judge=127.0.0.1:9/j.php"), list }, 0, "a scheme and a host" },
        // Without --judge the list beside the program gives its placeholder.
        { { list }, 0, "pass --judge URL" },
        { { judge, QStringLiteral("--out"), QStringLiteral("/nonexistent/found.txt"), list }, 0, "--out /nonexistent/found.txt: No such file" },
        // A bad list after --out: the file named by --out is left as it was.
        { { judge, QStringLiteral("--out=") + out, list, missing }, 0, "missing.txt" },
    };
    for (const auto& row : bad) {
        const Outcome run = runCheck(row.args, {}, {}, row.openFiles);
        EXPECT_EQ(run.status, 2) << row.says;
        EXPECT_EQ(std::ranges::count(run.err, '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(test::readFile(out), "old find\r\n");
    const Outcome help = runCheck({ list, QStringLiteral("-h") });
    EXPECT_TRUE(help.status == 0 && help.err.empty() && help.out.starts_with("usage: quorvane-check")) << help.out;
    for (const char* says : { "--sockets <N>  ", "(default 20)", "(default 8000)", "Exit status:", "  3      the judge" })
        EXPECT_NE(help.out.find(says), std::string::npos) << says;
    EXPECT_EQ(runCheck({ QStringLiteral("--version") }).out, "quorvane-check 1.0.0\n");
}

// Standard input longer than the window's limit: the entry after 40000 others is checked too. The
// working proxy answers any request with the judge page, so it serves as the judge as well.
TEST(CheckProgram, ReadsStandardInputBeyondTheWindowsLimit)
{
    LoopbackProxy working(Mode::Working, "2");
    const std::string expected = "127.0.0.1:" + std::to_string(working.port());
    const QByteArray many = QByteArray("not a proxy\n").repeated(40000) + QByteArray::fromStdString(expected);
    const Outcome run = runCheck(
        { QStringLiteral("--judge=http://127.0.0.1:%1/judge.php").arg(working.port()), QStringLiteral("-") }, {}, many);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected + "\t2\n");
    EXPECT_NE(run.err.find("checked 40001/40001, found 1, "), std::string::npos) << run.err;
}

// --all says why each failed check failed, on the program's own sockets.
TEST(CheckProgram, AllSaysWhyEachCheckFailed)
{
    LoopbackProxy working(Mode::Working, "2"), failing(Mode::Failing), never(Mode::Never),
        reset(Mode::ResetBeforeAnswer);
    test::LoopbackNameServer names;
    const auto at = [](const std::string& host, quint16 port) { return host + ":" + std::to_string(port); };
    const std::pair<std::string, std::string> rows[] = {
        { at("127.0.0.1", working.port()), "ok" },
        { at("127.0.0.1", failing.port()), "no pass marker" },
        { at("127.0.0.1", never.port()), "timed out" },
        { at("127.0.0.1", LoopbackProxy::refusingPort()), "refused" },
        { at("127.0.0.1", reset.port()), "reset" },
        { "not a proxy", "unusable entry" },
        { at("missing.test", working.port()), "name not found" },
    };
    QByteArray text;
    for (const auto& row : rows)
        text += QByteArray::fromStdString(row.first + "\n");
    QTemporaryDir dir;
    const QString list = QString::fromStdString(test::writeIn(dir, "list.txt", text));
    const Outcome run = runCheck({ QStringLiteral("--quiet"), QStringLiteral("--no-judge-check"), QStringLiteral("--all"),
                                     QStringLiteral("--timeout=1000"), QStringLiteral("--judge=http://judge.test/j.php"), list },
        QString::fromStdString(names.address()));
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::string> results;
    for (const QByteArray& line : QByteArray::fromStdString(run.out).split('\n'))
        if (const QList<QByteArray> f = line.split('\t'); f.size() == 4)
            results[f[0].toStdString()] = f[2] == "true" ? "ok" : f[3].toStdString();
    EXPECT_EQ(results.size(), std::size(rows)) << run.out;
    for (const auto& [entry, result] : rows)
        EXPECT_EQ(results[entry], result) << entry;
}

// Before scanning, the judge is fetched directly; a judge that would fail every proxy stops the
// scan with exit status 3 and one line saying why. Without --judge the first line of the judge
// list beside the program is the judge.
TEST(CheckProgram, AJudgeThatWouldFailEveryProxyIsNamedWithExitStatusThree)
{
    LoopbackProxy working(Mode::Working, "2"), failing(Mode::Failing), never(Mode::Never);
    test::LoopbackNameServer names;
    QTemporaryDir dir;
    const QString list = QString::fromStdString(test::writeIn(dir, "list.txt", "127.0.0.1:" + QByteArray::number(working.port()) + "\n"));
    const auto at = [](quint16 port) { return QStringLiteral("http://127.0.0.1:%1").arg(port); };
    const std::string noComment = ": answered without \"Comment\" (\"HTTP/1.0 502 Bad Gateway\")";
    const struct {
        QString judge;
        int status;
        std::string err;
    } rows[] = {
        { at(working.port()) + QStringLiteral("/j.php"), 0, "" },
        { at(failing.port()) + QStringLiteral("/j.php"), 3, noComment + "; --no-judge-check scans anyway\n" },
        { at(failing.port()) + QStringLiteral("/j .php"), 3, noComment + "; the URL has a blank in it;" },
        { at(LoopbackProxy::refusingPort()) + QStringLiteral("/j.php"), 3, ": connection refused;" },
        { at(never.port()) + QStringLiteral("/j.php"), 3, ": timed out after 700 ms;" },
        { QStringLiteral("http://missing.test/j.php"), 3, ": name not found (" },
        { QStringLiteral("https://127.0.0.1/j.php"), 0, " is not an http:// URL and cannot be checked directly" },
    };
    for (const auto& row : rows) {
        const Outcome run = runCheck({ QStringLiteral("--quiet"), QStringLiteral("--timeout=700"),
                                         QStringLiteral("--judge"), row.judge, list },
            QString::fromStdString(names.address()));
        const std::string judge = row.judge.toStdString();
        EXPECT_EQ(run.status, row.status) << judge << "\n" << run.err;
        EXPECT_NE(run.err.find(row.err), std::string::npos) << judge << "\n" << run.err;
        EXPECT_EQ(std::ranges::count(run.err, '\n'), row.err.empty() ? 0 : 1) << judge << "\n" << run.err;
        EXPECT_EQ(run.out, row.status == 0 ? "127.0.0.1:" + std::to_string(working.port()) + "\t2\n" : "") << judge;
        EXPECT_EQ(run.err.find("quorvane-check: judge " + judge), row.err.empty() ? std::string::npos : 0u);
    }
    // A copy of the program reads the judge list beside it.
    const QString copy = dir.filePath(QStringLiteral("quorvane-check"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QV_CHECK_BINARY), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray first = "http://127.0.0.1:" + QByteArray::number(working.port()) + "/first.php";
    test::writeIn(dir, "judgescripts.txt", first + "\r\nhttp://127.0.0.1:9/second.php\r\n");
    const Outcome run = runCheck({ QStringLiteral("--quiet"), list }, {}, {}, 0, copy);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(working.lastRequest(), "GET " + first.toStdString() + " HTTP/1.0\r\n\r\n\r\n");
}

// List lines as people write them: a byte-order mark, blanks and tabs around entries, comments
// and blank lines (skipped without a row), the same proxy a thousand times (--unique checks it
// once) and control characters, which reach the output escaped.
TEST(CheckProgram, ListLinesAreTidiedSkippedAndShownSafely)
{
    LoopbackProxy working(Mode::Working, "2");
    const QByteArray entry = "127.0.0.1:" + QByteArray::number(working.port());
    QByteArray copies;
    for (int i = 0; i < 1000; ++i)
        copies += (i % 3 == 0 ? " 127.0.0.1:0" : i % 3 == 1 ? "\t127.0.0.1:" : "127.0.0.1: ") + QByteArray::number(working.port()) + "\r\n";
    const QString judge = QStringLiteral("--judge=http://127.0.0.1:%1/j.php").arg(working.port());
    const struct {
        QStringList options;
        QByteArray list;
        std::string out;
        std::string checked;
    } rows[] = {
        { {}, "\xef\xbb\xbf" + entry + "\n \t\n# comment\n  ; comment\n\n\t" + entry + " \n", entry.toStdString() + "\t2\n" + entry.toStdString() + "\t2\n", "checked 2/2, found 2" },
        { { QStringLiteral("--unique") }, copies, entry.toStdString() + "\t2\n", "checked 1/1, found 1" },
        { { QStringLiteral("--all") }, "bad\x1b]0;title\x07\x7f:x\r\n\x01\tx\n", "bad\\x1b]0;title\\x07\\x7f:x\t\tfalse\tunusable entry\n\\x01 x\t\tfalse\tunusable entry\n", "checked 2/2, found 0" },
    };
    for (const auto& row : rows) {
        const Outcome run = runCheck(QStringList { judge } + row.options + QStringList { QStringLiteral("-") }, {}, row.list);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, row.out);
        EXPECT_NE(run.err.find(row.checked), std::string::npos) << run.err;
    }
}

// Three machines with the same list and --shard 1/3, 2/3, 3/3 check every entry exactly once.
TEST(CheckProgram, ShardsSplitAListExactly)
{
    QByteArray list;
    for (int i = 0; i < 300; ++i)
        list += "host-" + QByteArray::number(i) + ".test:0\n";
    std::map<std::string, int> seen;
    for (int shard = 1; shard <= 3; ++shard) {
        const Outcome run = runCheck({ QStringLiteral("--judge=http://127.0.0.1:9/"), QStringLiteral("--no-judge-check"), QStringLiteral("--all"),
                                         QStringLiteral("--quiet"), QStringLiteral("--shard"), QStringLiteral("%1/3").arg(shard), QStringLiteral("-") },
            {}, list);
        EXPECT_EQ(run.status, 0) << run.err;
        const QList<QByteArray> lines = QByteArray::fromStdString(run.out).split('\n');
        EXPECT_GT(lines.size(), 60) << "a fair share for shard " << shard;
        for (const QByteArray& line : lines)
            if (!line.isEmpty())
                ++seen[line.left(line.indexOf('\t')).toStdString()];
    }
    EXPECT_EQ(seen.size(), 300u);
    EXPECT_TRUE(std::ranges::all_of(seen, [](const auto& entry) { return entry.second == 1; }));
}

} // namespace
} // namespace qv
