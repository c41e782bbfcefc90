// The quorvane-check program itself: exit statuses, messages and a real scan over loopback.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
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

struct Setting {
    QString nameServer {};
    QByteArray input {}; // standard input
    int openFiles = 0; // a lower limit on open files, soft and hard
};

// Runs the program while this process's event loop serves the test proxies; bounded.
Outcome runCheck(const QStringList& args, const Setting& setting = {})
{
    QProcess process;
    if (!setting.nameServer.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QV_NAME_SERVERS"), setting.nameServer);
        process.setProcessEnvironment(environment);
    }
    if (setting.openFiles > 0)
        process.start(QStringLiteral("/bin/sh"),
            QStringList { QStringLiteral("-c"), QStringLiteral("ulimit -n %1 && exec \"$0\" \"$@\"").arg(setting.openFiles),
                QStringLiteral(QV_CHECK_BINARY) }
                + args);
    else
        process.start(QStringLiteral(QV_CHECK_BINARY), args);
    Outcome outcome;
    if (!process.waitForStarted(10000))
        return outcome;
    process.write(setting.input);
    process.closeWriteChannel();
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
    const struct {
        QStringList args;
        int openFiles;
        std::string says;
    } bad[] = {
        { {}, 0, "no proxy list" },
        { { QStringLiteral("--sockets"), QStringLiteral("0"), missing }, 0, "--sockets" },
        { { QStringLiteral("--timeout"), QStringLiteral("soon"), missing }, 0, "--timeout" },
        { { QStringLiteral("--bogus"), missing }, 0, "--bogus" },
        { { QStringLiteral("--judge"), QStringLiteral("http://j/"), missing }, 0, "missing.txt" },
        { { QStringLiteral("--sockets"), QStringLiteral("100"), missing }, 64, "open-files limit of 64" },
    };
    for (const auto& row : bad) {
        const Outcome run = runCheck(row.args, { .openFiles = row.openFiles });
        EXPECT_EQ(run.status, 2) << row.args.join(u' ').toStdString();
        EXPECT_EQ(lines(run.err), 1) << run.err;
        EXPECT_EQ(run.err.rfind("quorvane-check: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
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

    // From standard input, longer than the window's limit: the entry after 40000 others is checked too.
    const QByteArray many = QByteArray("not a proxy\n").repeated(40000) + QByteArray::fromStdString(expected);
    run = runCheck({ QStringLiteral("--judge=") + judge, QStringLiteral("-") }, { .input = many });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected + "\t2\n");
    EXPECT_NE(run.err.find("checked 40001/40001, found 1, "), std::string::npos) << run.err;
}

// --all says why each failed check failed, on the program's own sockets; its JSON read back.
TEST(CheckProgram, AllSaysWhyEachCheckFailed)
{
    LoopbackProxy working(LoopbackProxy::Mode::Working, "2");
    LoopbackProxy failing(LoopbackProxy::Mode::Failing);
    LoopbackProxy never(LoopbackProxy::Mode::Never);
    LoopbackProxy reset(LoopbackProxy::Mode::ResetBeforeAnswer);
    test::LoopbackNameServer names;
    const auto at = [](const std::string& host, quint16 port) { return host + ":" + std::to_string(port); };
    const struct {
        std::string entry;
        std::string result;
    } rows[] = {
        { at("127.0.0.1", working.port()), "ok" },
        { at("127.0.0.1", failing.port()), "no pass marker" },
        { at("127.0.0.1", never.port()), "timed out" },
        { at("127.0.0.1", LoopbackProxy::refusingPort()), "refused" },
        { at("127.0.0.1", reset.port()), "reset" },
        { "not a proxy", "unusable entry" },
        { at("missing.test", working.port()), "name not found" },
    };
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("list.txt"));
    {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const auto& row : rows)
            file.write(QByteArray::fromStdString(row.entry + "\n"));
    }
    const Outcome run = runCheck({ QStringLiteral("--quiet"), QStringLiteral("--no-judge-check"), QStringLiteral("--all"),
                                     QStringLiteral("--format=json"), QStringLiteral("--timeout=1000"),
                                     QStringLiteral("--judge=http://judge.test/j.php"), list },
        { .nameServer = QString::fromStdString(names.address()) });
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::string> results;
    for (const QByteArray& line : QByteArray::fromStdString(run.out).split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QJsonValue port = o.value(QStringLiteral("port"));
        const std::string entry = o.value(QStringLiteral("ip")).toString().toStdString()
            + (port.isNull() ? "" : ":" + std::to_string(port.toInt()));
        results[entry] = o.value(QStringLiteral("ok")).toBool() ? "ok" : o.value(QStringLiteral("reason")).toString().toStdString();
    }
    EXPECT_EQ(results.size(), std::size(rows)) << run.out;
    for (const auto& row : rows)
        EXPECT_EQ(results[row.entry], row.result) << row.entry;
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
        const Outcome run = runCheck(args, { .nameServer = QString::fromStdString(names.address()) });
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
