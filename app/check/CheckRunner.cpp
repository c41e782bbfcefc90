#include "app/check/CheckRunner.h"

#include <cstdio>

#include "platform/JudgeListPaths.h"
#include "platform/TextFile.h"

namespace qv {

namespace {
// "m:ss", or "h:mm:ss" from an hour on.
std::string clockText(std::int64_t seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
            static_cast<long long>(seconds % 60));
    return text;
}
} // namespace

CheckRunner::CheckRunner(EventLoop& loop, std::ostream& out, std::ostream& err)
    : m_loop(loop)
    , m_out(out)
    , m_err(err)
    , m_engine(loop, m_pending, *this)
    , m_judgeCheck(loop)
{
    m_progress = m_loop.createTimer();
    m_progress->setInterval(kProgressEveryMs);
    m_progress->setOnTick([this] { tick(); });
}

CheckRunner::~CheckRunner() = default;

void CheckRunner::checkEnded(const CheckEnd& end)
{
    m_writer->write(end);
    if (end.passed() && m_options.out)
        m_found.append(std::string(end.ip).append(1, ':').append(end.portText));
}

void CheckRunner::scanEnded(const ScanEnd& end)
{
    // The window's words, which scripts may have come to read.
    m_status = end.lastEndedOnError ? "Status: Checking Completed." : "Status: Scan Complete!";
    m_ended = true;
    m_progress->setEnabled(false);
    report(true);
    if (onFinished)
        onFinished();
}

std::string CheckRunner::defaultJudge()
{
    TextFileReader file;
    std::string line;
    if (!file.open(JudgeListPaths::readPath()) || !file.readLine(line))
        return {};
    return line;
}

int CheckRunner::fail(const std::string& message)
{
    m_err << "quorvane-check: " << message << '\n' << std::flush;
    return 2;
}

bool CheckRunner::load(const std::string& path, std::string& error)
{
    TextFileReader file;
    if (path == "-")
        file.openStandardInput();
    else if (!file.open(path)) {
        error = path + ": " + file.errorString();
        return false;
    }
    std::string line;
    while (file.readLine(line))
        m_pending.append(line);
    if (file.failed()) {
        error = (path == "-" ? std::string("standard input") : path) + ": " + file.errorString();
        return false;
    }
    return true;
}

int CheckRunner::begin(const CheckOptions& options)
{
    m_options = options;
    m_writer.emplace(m_out, options.format, options.all);
    m_judge = options.judge ? *options.judge : defaultJudge();
    if (m_judge.empty())
        return fail("no judge URL: give --judge URL or put judgescripts.txt beside the program");
    for (const std::string& path : options.files) {
        std::string error;
        if (!load(path, error))
            return fail(error);
    }
    // A judge that is gone would fail every proxy: say so instead of reporting none found.
    if (m_options.judgeCheck && m_pending.count() > 0) {
        if (m_judgeCheck.start(m_judge, m_options.timeoutMs, [this](const std::string& p) { judgeChecked(p); }))
            return -1;
        m_err << "quorvane-check: judge " << m_judge
              << " is not an http:// URL and cannot be checked directly; scanning anyway\n";
    }
    return startScan() ? -1 : finish();
}

void CheckRunner::judgeChecked(const std::string& problem)
{
    if (problem.empty()) {
        if (!startScan() && !m_ended && onFinished)
            onFinished();
        return;
    }
    m_judgeStatus = kDeadJudge;
    m_err << "quorvane-check: judge " << m_judge << ": " << problem << "; --no-judge-check scans anyway\n"
          << std::flush;
    if (onFinished)
        onFinished();
}

bool CheckRunner::startScan()
{
    m_writer->writeHeader();
    m_total = m_pending.count();
    m_startedMs = m_loop.nowMs();
    m_progress->setEnabled(true);
    ScanSettings settings;
    settings.sockets = m_options.sockets;
    settings.timeoutMs = m_options.timeoutMs;
    settings.judge = m_judge;
    if (!m_engine.start(settings))
        m_status = "Status: Please load some proxies!";
    if (!m_engine.isRunning()) {
        // Nothing loaded, or nothing usable: the scan is over already.
        m_progress->setEnabled(false);
        if (!m_ended)
            report(true);
        return false;
    }
    return true;
}

int CheckRunner::finish()
{
    m_progress->setEnabled(false);
    m_out.flush();
    if (m_judgeStatus != 0)
        return m_judgeStatus;
    if (!m_options.out)
        return 0;
    TextFileWriter file;
    bool ok = file.open(*m_options.out);
    m_found.forEach([&](const std::string& entry) { ok = ok && file.writeLine(entry); });
    if (!file.close() || !ok)
        return fail(*m_options.out + ": " + file.errorString());
    return 0;
}

void CheckRunner::tick()
{
    // Results are written as they come and reach the reader at least this often.
    m_out.flush();
    if (m_terminal || m_options.progress)
        report(false);
}

std::string CheckRunner::progressLine() const
{
    const std::int64_t elapsedMs = m_loop.nowMs() - m_startedMs;
    const std::uint64_t checked = m_engine.counters().checked;
    const std::uint64_t rate = elapsedMs > 0 ? checked * 1000 / static_cast<std::uint64_t>(elapsedMs) : 0;
    std::string line = "checked " + std::to_string(checked) + '/' + std::to_string(m_total) + ", found "
        + std::to_string(m_engine.counters().found) + ", " + std::to_string(rate) + "/s";
    if (!m_ended && rate > 0 && checked < m_total)
        line += ", " + clockText(static_cast<std::int64_t>((m_total - checked + rate - 1) / rate)) + " left";
    return line;
}

void CheckRunner::report(bool final)
{
    if (m_options.quiet)
        return;
    // On a terminal the progress line is rewritten in place; the last report replaces it.
    const bool overwrite = m_progressShown;
    if (overwrite)
        m_err << '\r';
    m_progressShown = false;
    if (final) {
        m_err << m_status << (overwrite ? "\x1b[K\n" : "\n") << progressLine();
        if (m_ended)
            m_err << ", Good: " << m_engine.counters().found;
        m_err << '\n';
    } else if (m_terminal) {
        m_err << progressLine() << "\x1b[K";
        m_progressShown = true;
    } else {
        m_err << progressLine() << '\n';
    }
    m_err << std::flush;
}

} // namespace qv
