// What only the quorvane-check process shows: exit statuses, standard input, the open-files limit,
// the judge check before a scan and --all's reasons from its own sockets, on loopback.
#include <QCoreApplication>
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
Outcome runCheck(QStringList args, const QString& nameServer = {}, const QByteArray& input = {}, int openFiles = 0)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!nameServer.isEmpty())
        environment.insert(QStringLiteral("QV_NAME_SERVERS"), nameServer);
    process.setProcessEnvironment(environment);
    const QString binary = QStringLiteral(QV_CHECK_BINARY);
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
    const struct {
        QStringList args;
        int openFiles;
        std::string says;
    } bad[] = {
        { {}, 0, "no proxy list" },
        { { QStringLiteral("--judge"), QStringLiteral("http://j/"), missing }, 0, "missing.txt" },
        { { QStringLiteral("--sockets"), QStringLiteral("100"), missing }, 64, "open-files limit of 64" },
    };
    for (const auto& row : bad) {
        const Outcome run = runCheck(row.args, {}, {}, row.openFiles);
        EXPECT_EQ(run.status, 2) << row.says;
        EXPECT_EQ(std::ranges::count(run.err, '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const Outcome help = runCheck({ QStringLiteral("--help") });
    EXPECT_TRUE(help.status == 0 && help.err.empty() && help.out.starts_with("usage: quorvane-check")) << help.out;
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
    EXPECT_EQ(run.out, expected + "\t2\thttp\t127.0.0.1\n");
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
        if (const QList<QByteArray> f = line.split('\t'); f.size() == 6) // ..., protocol, exit
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
        { QStringLiteral("https://127.0.0.1:%1/j.php").arg(LoopbackProxy::refusingPort()), 3, ": connection refused;" },
        { QStringLiteral("ftp://127.0.0.1/j.php"), 0, " is not an http:// or https:// URL and cannot be checked directly" },
    };
    for (const auto& row : rows) {
        const Outcome run = runCheck({ QStringLiteral("--quiet"), QStringLiteral("--timeout=700"),
                                         QStringLiteral("--judge"), row.judge, list },
            QString::fromStdString(names.address()));
        const std::string judge = row.judge.toStdString();
        EXPECT_EQ(run.status, row.status) << judge << "\n" << run.err;
        EXPECT_NE(run.err.find(row.err), std::string::npos) << judge << "\n" << run.err;
        EXPECT_EQ(std::ranges::count(run.err, '\n'), row.err.empty() ? 0 : 1) << judge << "\n" << run.err;
        EXPECT_EQ(run.out, row.status == 0 ? "127.0.0.1:" + std::to_string(working.port()) + "\t2\thttp\t127.0.0.1\n" : "") << judge;
        EXPECT_EQ(run.err.find("quorvane-check: judge " + judge), row.err.empty() ? std::string::npos : 0u);
    }
    const Outcome run = runCheck({ QStringLiteral("--quiet"), QStringLiteral("--no-judge-check"), list });
    EXPECT_EQ(run.status, 0);
    const QByteArray judges = test::readFile(QString::fromLatin1(QV_CHECK_BINARY).section(u'/', 0, -2) + QStringLiteral("/judgescripts.txt"));
    EXPECT_EQ(working.lastRequest(), "GET " + judges.left(judges.indexOf('\n')).trimmed().toStdString() + " HTTP/1.0\r\n\r\n\r\n");
}

} // namespace
} // namespace qv
