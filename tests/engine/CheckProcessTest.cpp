// The quorvane-check program itself: exit statuses, messages and a real scan over loopback.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "engine/LoopbackProxy.h"
#include "support/LoopbackNameServer.h"

namespace qv {
namespace {

using test::LoopbackProxy;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program while this process's event loop serves the test proxies; bounded.
Outcome runCheck(const QStringList& args, const QString& nameServer = {})
{
    QProcess process;
    if (!nameServer.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QV_NAME_SERVERS"), nameServer);
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(QV_CHECK_BINARY), args);
    Outcome outcome;
    if (!process.waitForStarted(10000))
        return outcome;
    for (int i = 0; i < 600 && process.state() != QProcess::NotRunning; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        process.waitForFinished(50);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return outcome;
    }
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = process.readAllStandardOutput().toStdString();
    outcome.err = process.readAllStandardError().toStdString();
    return outcome;
}

int lines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CheckProgram, BadArgumentsAndUnreadableFilesExitWithTwo)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    const QList<QStringList> bad = { {}, { QStringLiteral("--sockets"), QStringLiteral("500"), missing },
        { QStringLiteral("--timeout"), QStringLiteral("soon"), missing }, { QStringLiteral("--bogus"), missing },
        { QStringLiteral("--judge"), QStringLiteral("http://j/"), missing } };
    for (const QStringList& args : bad) {
        const Outcome run = runCheck(args);
        EXPECT_EQ(run.status, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(lines(run.err), 1) << run.err;
        EXPECT_EQ(run.err.rfind("quorvane-check: ", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(CheckProgram, ScansAndWritesFindsAndTheExport)
{
    LoopbackProxy working(LoopbackProxy::Mode::Working, "2");
    LoopbackProxy failing(LoopbackProxy::Mode::Failing);
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("list.txt"));
    {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("127.0.0.1:" + QByteArray::number(failing.port()) + "\r\n127.0.0.1:"
            + QByteArray::number(working.port()) + "\r\nnot a proxy\r\n");
    }
    const QString out = dir.filePath(QStringLiteral("found.txt"));
    const std::string expected = "127.0.0.1:" + std::to_string(working.port());

    // The working proxy answers any request with the judge page, so it serves as the judge too.
    const QString judge = QStringLiteral("http://127.0.0.1:%1/judge.php").arg(working.port());
    Outcome run = runCheck({ QStringLiteral("--judge"), judge, QStringLiteral("--out"), out, QStringLiteral("--timeout"),
        QStringLiteral("3000"), list });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected + "\t2\n");
    EXPECT_NE(run.err.find("Status: Scan Complete!"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("checked 3/3, found 1, "), std::string::npos) << run.err;
    QFile exported(out);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_EQ(exported.readAll().toStdString(), expected + "\r\n");

    run = runCheck({ QStringLiteral("--quiet"), QStringLiteral("--judge=") + judge, list });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expected + "\t2\n");
    EXPECT_EQ(run.err, "");
}

TEST(CheckProgram, DefaultJudgeIsTheFirstLineOfTheJudgeFileBesideIt)
{
    QFile scripts(QFileInfo(QStringLiteral(QV_CHECK_BINARY)).dir().filePath(QStringLiteral("judgescripts.txt")));
    ASSERT_TRUE(scripts.open(QIODevice::ReadOnly)) << "the build puts one beside the program";
    const QByteArray first = scripts.readLine().trimmed();
    LoopbackProxy working(LoopbackProxy::Mode::Working, "1");
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("list.txt"));
    {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("127.0.0.1:" + QByteArray::number(working.port()));
    }
    // The default list holds placeholder judges, which the judge check would refuse.
    const Outcome run = runCheck({ QStringLiteral("--quiet"), QStringLiteral("--no-judge-check"), list });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(working.lastRequest(), "GET " + first.toStdString() + " HTTP/1.0\r\n\r\n\r\n");
}

// Before scanning, the judge is fetched directly; a judge that would fail every proxy stops the
// scan with exit status 3 and one line saying why. The working proxy serves as a good judge (it
// answers any request with the judge page), the failing one as a judge without "Comment".
TEST(CheckProgram, AJudgeThatWouldFailEveryProxyIsNamedWithExitStatusThree)
{
    LoopbackProxy working(LoopbackProxy::Mode::Working, "2");
    LoopbackProxy failing(LoopbackProxy::Mode::Failing);
    LoopbackProxy never(LoopbackProxy::Mode::Never);
    test::LoopbackNameServer names;
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("list.txt"));
    {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("127.0.0.1:" + QByteArray::number(working.port()) + "\n");
    }
    const auto at = [](quint16 port) { return QStringLiteral("http://127.0.0.1:%1").arg(port); };
    const QString refusing = at(LoopbackProxy::refusingPort()) + QStringLiteral("/j.php");
    const std::string noComment = ": answered without \"Comment\" (\"HTTP/1.0 502 Bad Gateway\")";
    const struct {
        QString judge;
        QString option;
        int status;
        std::string err;
    } rows[] = {
        { at(working.port()) + QStringLiteral("/j.php"), {}, 0, "" },
        { at(failing.port()) + QStringLiteral("/j.php"), {}, 3, noComment + "; --no-judge-check scans anyway\n" },
        { at(failing.port()), {}, 3, noComment + "; the URL has no path;" },
        { at(failing.port()) + QStringLiteral("/j .php"), {}, 3, noComment + "; the URL has a blank in it;" },
        { refusing, {}, 3, ": connection refused;" },
        { at(never.port()) + QStringLiteral("/j.php"), {}, 3, ": timed out after 700 ms;" },
        { QStringLiteral("http://missing.test/j.php"), {}, 3, ": name not found (" },
        { refusing, QStringLiteral("--no-judge-check"), 0, "" },
        { QStringLiteral("https://127.0.0.1/j.php"), {}, 0, " is not an http:// URL and cannot be checked directly" },
    };
    for (const auto& row : rows) {
        QStringList args { QStringLiteral("--quiet"), QStringLiteral("--timeout=700"), QStringLiteral("--judge"), row.judge, list };
        if (!row.option.isEmpty())
            args.prepend(row.option);
        const Outcome run = runCheck(args, QString::fromStdString(names.address()));
        const std::string judge = row.judge.toStdString();
        EXPECT_EQ(run.status, row.status) << judge << "\n" << run.err;
        EXPECT_NE(run.err.find(row.err), std::string::npos) << judge << "\n" << run.err;
        EXPECT_EQ(lines(run.err), row.err.empty() ? 0 : 1) << judge << "\n" << run.err;
        EXPECT_EQ(run.out, row.status == 0 ? "127.0.0.1:" + std::to_string(working.port()) + "\t2\n" : "") << judge;
        EXPECT_EQ(run.err.find("quorvane-check: judge " + judge), row.err.empty() ? std::string::npos : 0u);
    }
}

} // namespace
} // namespace qv
