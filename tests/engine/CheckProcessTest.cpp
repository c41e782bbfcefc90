// What only the quorvane-check process shows: exit statuses, standard input, the open-files limit,
// the judge check before a scan and --all's reasons from its own sockets, on loopback.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include "engine/LoopbackServers.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

using test::LoopbackProxy;
using Mode = LoopbackProxy::Mode;

struct Outcome {
    int status = -1;
    std::string out, err;
};

// How a run is set up beyond its arguments.
struct Launch {
    // A shell command that runs the program as "$0" "$@" (or a copy of it): ulimit, trap, redirections.
    QString shell;
    // Called while the program runs, with what it has written to standard output so far, until it
    // returns true; with feedsInput it writes standard input itself.
    std::function<bool(QProcess&, const std::string& out)> during = {};
    bool feedsInput = false;
};

// Runs the program while this process serves the test proxies; bounded. A run killed by a
// signal has status -1.
Outcome runCheck(QStringList args, const QString& nameServer = {}, const QByteArray& input = {}, const Launch& launch = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!nameServer.isEmpty())
        environment.insert(u"QV_NAME_SERVERS"_s, nameServer);
    process.setProcessEnvironment(environment);
    if (!launch.shell.isEmpty())
        args = QStringList { u"-c"_s, launch.shell, QStringLiteral(QV_CHECK_BINARY) } + args;
    process.start(launch.shell.isEmpty() ? QStringLiteral(QV_CHECK_BINARY) : u"/bin/sh"_s, args);
    process.waitForStarted(10000);
    if (!launch.feedsInput) {
        process.write(input);
        process.closeWriteChannel();
    }
    Outcome outcome;
    bool done = !launch.during;
    for (int i = 0; i < 600 && process.state() != QProcess::NotRunning; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        process.waitForFinished(50);
        outcome.out += process.readAllStandardOutput().toStdString();
        if (!done)
            done = launch.during(process, outcome.out);
    }
    if (process.state() != QProcess::NotRunning)
        process.kill(), process.waitForFinished(5000); // a crash exit: status -1
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out += process.readAllStandardOutput().toStdString();
    outcome.err = process.readAllStandardError().toStdString();
    return outcome;
}

TEST(CheckProgram, HelpExitsWithZeroBadArgumentsAndUnreadableFilesWithTwo)
{
    const QString missing = u"/nonexistent/missing.txt"_s;
    const QString judge = u"--judge=http://127.0.0.1:9/"_s;
    QTemporaryDir dir;
    const QString list = QString::fromStdString(test::writeIn(dir, "list.txt", "127.0.0.1:9\n"));
    const QString out = dir.filePath(u"kept.txt"_s);
    test::writeFile(out, "old find\r\n");
    const std::tuple<QStringList, int, std::string> bad[] = {
        { {}, 0, "no proxy list" },
        { { u"--judge"_s, u"http://j/"_s, missing }, 0, "missing.txt" },
        { { u"--sockets"_s, u"100"_s, missing }, 64, "open-files limit of 64" },
        { { u"--colour"_s, list }, 0, "unknown option 'colour'" },
        { { u"--shard=0/3"_s, list }, 0, "--shard must be K/N" },
        { { u"--judge"_s, u"http://"_s, list }, 0, "a scheme and a host" },
        // Without --judge the list beside the program gives its placeholder.
        { { list }, 0, "pass --judge URL" },
        { { judge, u"--out"_s, u"/nonexistent/found.txt"_s, list }, 0,
            "--out /nonexistent/found.txt: No such file" },
        // A bad list after --out: the file named by --out is left as it was.
        { { judge, u"--out="_s + out, list, missing }, 0, "missing.txt" },
    };
    for (const auto& [args, openFiles, says] : bad) {
        const QString limit = u"ulimit -n %1 && exec \"$0\" \"$@\""_s.arg(openFiles);
        const Outcome run = runCheck(args, {}, {}, { openFiles > 0 ? limit : QString() });
        EXPECT_EQ(run.status, 2) << says;
        EXPECT_EQ(std::ranges::count(run.err, '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(test::readFile(out), "old find\r\n");
    const Outcome help = runCheck({ list, u"-h"_s });
    EXPECT_TRUE(help.status == 0 && help.err.empty() && help.out.starts_with("usage: quorvane-check")) << help.out;
    for (const char* says : { "--sockets <N>  ", "(default 20)", "(default 8000)", "Exit status:", "  3      the judge" })
        EXPECT_NE(help.out.find(says), std::string::npos) << says;
    EXPECT_EQ(runCheck({ u"--version"_s }).out, "quorvane-check 1.0.0\n");
}

// --all says why each failed check failed, on the program's own sockets, and finds a proxy that
// resets after its page (at once, 200 ms later, or the kernel's reset for an unread request end)
// with its level; each proxy is asked once.
TEST(CheckProgram, AllSaysWhyEachCheckFailed)
{
    LoopbackProxy working(Mode::Working, "2"), never(Mode::Never), reset(Mode::ResetBeforeAnswer),
        closing(Mode::CloseBeforeAnswer), pageThenReset(Mode::PageThenReset, "6"),
        lateReset(Mode::PageThenLateReset, "7"), unread(Mode::ReadsToBlankLine, "8");
    test::LoopbackNameServer names;
    const std::pair<std::string, std::string> rows[] = { { working.address(), "level 2" },
        { never.address(), "timed out" }, { "127.0.0.1:" + std::to_string(test::freePort()), "refused" },
        { reset.address(), "reset" }, { closing.address(), "closed without answering" },
        { pageThenReset.address(), "level 6" }, { lateReset.address(), "level 7" }, { unread.address(), "level 8" },
        { "missing.test:" + std::to_string(working.port()), "name not found" } };
    QByteArray list;
    for (const auto& row : rows)
        list += QByteArray::fromStdString(row.first + "\n");
    const Outcome run = runCheck({ u"--quiet"_s, u"--no-judge-check"_s, u"--all"_s, u"--timeout=1000"_s,
                                     u"--judge=http://judge.test/j.php"_s, u"-"_s },
        QString::fromStdString(names.address()), list);
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::string> results;
    for (const QByteArray& line : QByteArray::fromStdString(run.out).split('\n'))
        if (const QList<QByteArray> f = line.split('\t'); f.size() == 7) // ..., protocol, exit, leak
            results[f[0].toStdString()] = f[2] == "true" ? "level " + f[1].toStdString() : f[3].toStdString();
    EXPECT_EQ(results.size(), std::size(rows)) << run.out;
    for (const auto& [entry, result] : rows)
        EXPECT_EQ(results[entry], result) << entry;
    for (const LoopbackProxy* proxy :
        { &working, &never, &reset, &closing, &pageThenReset, &lateReset, &unread })
        EXPECT_EQ(proxy->requests(), 1) << proxy->address();
}

// Before scanning, the judge is fetched directly; a judge that would fail every proxy stops the
// scan with exit status 3 and one line saying why. Without --judge the first line of the judge
// list beside the program is the judge.
TEST(CheckProgram, AJudgeThatWouldFailEveryProxyIsNamedWithExitStatusThree)
{
    LoopbackProxy working(Mode::Working, "2"), failing(Mode::Failing), never(Mode::Never), closing(Mode::CloseBeforeAnswer);
    test::LoopbackNameServer names;
    QTemporaryDir dir;
    const QString list = QString::fromStdString(test::writeIn(dir, "list.txt", "127.0.0.1:" + QByteArray::number(working.port()) + "\n"));
    const auto at = [](quint16 port) { return u"http://127.0.0.1:%1"_s.arg(port); };
    const std::string noComment = ": answered without \"Comment\" (\"HTTP/1.0 502 Bad Gateway\")";
    const std::tuple<QString, int, std::string> rows[] = {
        { at(working.port()) + u"/j.php"_s, 0, "" },
        { at(failing.port()) + u"/j.php"_s, 3, noComment + "; --no-judge-check scans anyway\n" },
        { at(failing.port()) + u"/j .php"_s, 3, noComment + "; the URL has a blank in it;" },
        { at(test::freePort()) + u"/j.php"_s, 3, ": connection refused;" },
        { at(closing.port()) + u"/j.php"_s, 3, ": closed without answering;" },
        { at(never.port()) + u"/j.php"_s, 3, ": timed out after 700 ms;" },
        { u"http://missing.test/j.php"_s, 3, ": name not found (" },
        { u"https://127.0.0.1:%1/j.php"_s.arg(test::freePort()), 3, ": connection refused;" },
        { u"ftp://127.0.0.1/j.php"_s, 0,
            " is not an http:// or https:// URL and cannot be checked directly" },
    };
    for (const auto& [url, status, err] : rows) {
        const Outcome run = runCheck({ u"--quiet"_s, u"--timeout=700"_s, u"--judge"_s, url, list },
            QString::fromStdString(names.address()));
        const std::string judge = url.toStdString();
        SCOPED_TRACE(judge + "\n" + run.err);
        EXPECT_EQ(run.status, status);
        EXPECT_NE(run.err.find(err), std::string::npos);
        EXPECT_EQ(std::ranges::count(run.err, '\n'), err.empty() ? 0 : 1);
        EXPECT_EQ(run.out, status == 0 ? working.address() + "\t2\thttp\t127.0.0.1\n" : "");
        EXPECT_EQ(run.err.find("quorvane-check: judge " + judge), err.empty() ? std::string::npos : 0u);
    }
    // A copy of the program reads the judge list beside it.
    const QString copy = dir.filePath(u"quorvane-check"_s);
    ASSERT_TRUE(QFile::copy(QStringLiteral(QV_CHECK_BINARY), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray first = "http://127.0.0.1:" + QByteArray::number(working.port()) + "/first.php";
    test::writeIn(dir, "judgescripts.txt", first + "\r\nhttp://127.0.0.1:9/second.php\r\n");
    const Outcome run = runCheck({ u"--quiet"_s, list }, {}, {}, { u"exec \"%1\" \"$@\""_s.arg(copy) });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(working.lastRequest(), "GET " + first.toStdString() + " HTTP/1.0\r\n\r\n\r\n");
}

// List lines as people write them: a byte-order mark, blanks and tabs around entries, comments
// and blank lines (skipped without a row), the same proxy a thousand times (--unique checks it
// once), and standard input longer than the window's limit (the entry after 40000 others is checked
// too). --shard K/3 checks exactly its part of the list, the same on every machine. The working
// proxy answers any request with the judge page, so it serves as the judge as well.
TEST(CheckProgram, ListLinesAreTidiedSkippedAndSplit)
{
    LoopbackProxy working(Mode::Working, "2");
    const QByteArray entry = "127.0.0.1:" + QByteArray::number(working.port());
    QByteArray copies;
    for (int i = 0; i < 1000; ++i)
        copies += (i % 3 == 0 ? " 127.0.0.1:0" : i % 3 == 1 ? "\t127.0.0.1:" : "127.0.0.1: ") + QByteArray::number(working.port()) + "\r\n";
    const QString judge = u"--judge=http://127.0.0.1:%1/j.php"_s.arg(working.port());
    const std::string found = entry.toStdString() + "\t2\thttp\t127.0.0.1\n";
    QByteArray hosts;
    for (int i = 0; i < 300; ++i)
        hosts += "host-" + QByteArray::number(i) + ".test:0\n";
    const std::tuple<QStringList, QByteArray, std::string, std::string> rows[] = {
        { {}, "\xef\xbb\xbf" + entry + "\n \t\n# comment\n  ; comment\n\n\t" + entry + " \n", found + found,
            "checked 2/2, found 2" },
        { { u"--unique"_s }, copies, found, "checked 1/1, found 1" },
        { {}, QByteArray("not a proxy\n").repeated(40000) + entry, found, "checked 40001/40001, found 1, " },
        { { u"--shard=1/3"_s }, hosts, "", "checked 104/104, found 0, " },
        { { u"--shard=2/3"_s }, hosts, "", "checked 97/97, found 0, " },
    };
    for (const auto& [options, input, out, checked] : rows) {
        const Outcome run = runCheck(QStringList { judge } + options + QStringList { u"-"_s }, {}, input);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, out);
        EXPECT_NE(run.err.find(checked), std::string::npos) << run.err;
    }
}

// A stop signal midway stops the scan as Stop does: every find judged so far is on standard output
// and in --out, the summary counts exactly those, and the status says which signal it was.
TEST(CheckProgram, SignalsStopAScanAndKeepEveryFind)
{
    LoopbackProxy working(Mode::Working, "2"), never(Mode::Never);
    const QByteArray find = "127.0.0.1:" + QByteArray::number(working.port());
    const QByteArray list
        = (find + "\n").repeated(5) + ("127.0.0.1:" + QByteArray::number(never.port()) + "\n").repeated(10);
    QTemporaryDir dir;
    const QString out = dir.filePath(u"found.txt"_s);
    const std::tuple<int, int, std::string> rows[] = { { SIGINT, 130, "SIGINT" }, { SIGTERM, 143, "SIGTERM" }, { SIGHUP, 129, "SIGHUP" } };
    for (const auto& [signal, status, name] : rows) {
        Launch launch;
        launch.during = [signal](QProcess& process, const std::string& sofar) {
            return std::ranges::count(sofar, '\n') >= 5
                && ::kill(static_cast<pid_t>(process.processId()), signal) == 0;
        };
        const Outcome run = runCheck({ u"--judge=http://%1/j.php"_s.arg(QString::fromLatin1(find)),
                                         u"--timeout=60000"_s, u"--out"_s, out, u"-"_s },
            {}, list, launch);
        SCOPED_TRACE(name + "\n" + run.err);
        EXPECT_EQ(run.status, status);
        EXPECT_EQ(QByteArray::fromStdString(run.out), (find + "\t2\thttp\t127.0.0.1\n").repeated(5));
        EXPECT_EQ(test::readFile(out), (find + "\r\n").repeated(5));
        EXPECT_NE(
            run.err.find("Status: Stopped by " + name + ".\nchecked 5/15, found 5, "), std::string::npos);
        EXPECT_NE(run.err.find(", Good: 5\n"), std::string::npos);
    }
}

// Standard input is read as it arrives (the first result comes while the producer still
// writes); a reader that goes away or a full disk stops the scan with a line naming the output,
// and --out keeps every find up to then. A closed pipe kills the program by SIGPIPE as usual;
// with SIGPIPE ignored it is an error, never a success.
TEST(CheckProgram, InputStreamsInAndFailedWritesStopTheScan)
{
    LoopbackProxy working(Mode::Working, "2");
    const QByteArray find = "127.0.0.1:" + QByteArray::number(working.port());
    QTemporaryDir dir;
    const QString out = dir.filePath(u"found.txt"_s);
    // The shell reports the program's status; "head -n 5" leaves after five rows.
    const QString status = u"; echo \"status $?\" >&2"_s;
    const QString program = u"\"$0\" \"$@\""_s;
    const std::tuple<QString, bool, std::string> rows[] = {
        { program + status, false, "status 0\n" },
        { u"{ "_s + program + status + u"; } | head -n 5"_s, true, "status 141\n" },
        { u"trap '' PIPE; { "_s + program + status + u"; } | head -n 5"_s, true,
            "quorvane-check: standard output: Broken pipe\n" },
        { program + u" >/dev/full"_s + status, false,
            "quorvane-check: standard output: No space left on device\n" },
    };
    for (const auto& [shellCommand, readerGoes, says] : rows) {
        int written = 0, writtenAtFirstRow = 0, after = 0;
        bool readerGone = false;
        Launch launch { .shell = shellCommand, .feedsInput = true };
        // One entry every 50 ms until results come (and the reader has gone), then ten more.
        launch.during = [&](QProcess& process, const std::string& sofar) {
            const bool results = !sofar.empty() || test::readFile(out).size() > 0;
            if (results && writtenAtFirstRow == 0)
                writtenAtFirstRow = written;
            readerGone = readerGone || std::ranges::count(sofar, '\n') >= 5;
            after += results && readerGone == readerGoes ? 1 : 0;
            process.write(find + "\n");
            ++written;
            if (written < 200 && after < 10)
                return false;
            process.closeWriteChannel();
            return true;
        };
        const Outcome run = runCheck(
            { u"--judge=http://%1/j.php"_s.arg(QString::fromLatin1(find)), u"--out"_s, out, u"-"_s }, {}, {},
            launch);
        SCOPED_TRACE(shellCommand.toStdString());
        const bool stopped = says != "status 0\n";
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("status 0\n") == std::string::npos, stopped) << run.err;
        EXPECT_GT(writtenAtFirstRow, 0);
        EXPECT_LT(writtenAtFirstRow, 200) << "no result before the producer ended";
        // Whole lines, each a find; all of them when nothing stopped the scan.
        const QByteArray kept = test::readFile(out);
        const qsizetype finds = kept.size() / (find.size() + 2);
        EXPECT_EQ(kept, (find + "\r\n").repeated(finds));
        EXPECT_EQ(finds == written, !stopped) << finds << "/" << written;
        if (says.starts_with("quorvane-check")) {
            EXPECT_NE(run.err.find("found " + std::to_string(finds) + ", "), std::string::npos) << run.err;
        }
    }
}

// On a terminal the progress line is cleared before result lines and drawn again after them, so
// the two never share a line, whether the results go to the same terminal or elsewhere.
TEST(CheckProgram, ProgressLineNeverGluesOntoResults)
{
    LoopbackProxy working(Mode::Working, "2"), never(Mode::Never);
    const std::string late = "127.0.0.1:" + std::to_string(never.port());
    const QByteArray list = "127.0.0.1:" + QByteArray::number(working.port()) + "\n" + late.c_str() + "\n";
    for (const bool sameTerminal : { true, false }) {
        int master = -1, slave = -1;
        char terminal[64] = {};
        ASSERT_EQ(::openpty(&master, &slave, terminal, nullptr, nullptr), 0);
        Launch launch { .shell = u"exec \"$0\" \"$@\" 2>%1"_s.arg(QString::fromLatin1(terminal))
                + (sameTerminal ? u" >&2"_s : QString()) };
        // The terminal is read as the program writes, so it never fills.
        std::string screen;
        const auto readScreen = [&] {
            char buffer[4096];
            for (pollfd ready { master, POLLIN, 0 }; ::poll(&ready, 1, 0) > 0;) {
                const ssize_t got = ::read(master, buffer, sizeof buffer);
                if (got <= 0)
                    break;
                screen.append(buffer, static_cast<std::size_t>(got));
            }
        };
        launch.during = [&](QProcess&, const std::string&) { return readScreen(), false; };
        const Outcome run = runCheck({ u"--judge=http://127.0.0.1:%1/j.php"_s.arg(working.port()), u"--all"_s,
                                         u"--timeout=700"_s, u"-"_s },
            {}, list, launch);
        ::close(slave);
        readScreen();
        ::close(master);
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string row = late + "\t\tfalse\ttimed out\thttp\t\t";
        EXPECT_NE(screen.find("checked 1/2, found 1, "), std::string::npos) << screen;
        if (sameTerminal) {
            // Cleared ("\r" and erase to the end of the line) right before the row.
            EXPECT_NE(screen.find("\r\x1b[K" + row), std::string::npos) << screen;
        } else {
            EXPECT_EQ(screen.find(row), std::string::npos);
            EXPECT_NE(run.out.find(row + "\n"), std::string::npos) << run.out;
        }
    }
}

} // namespace
} // namespace qv
