#include "app/check/CheckRunner.h"

#include <cstdio>
#include <cstring>

#include "app/check/AddressLeak.h"
#include "app/check/StopSignals.h"
#include "engine/JudgeUrl.h"
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
    m_input = m_loop.createTimer();
    m_input->setInterval(kInputEveryMs);
    m_input->setOnTick([this] { readInput(); });
}

CheckRunner::~CheckRunner() = default;

void CheckRunner::checkEnded(const CheckEnd& end)
{
    ResultWriter::Leak leak = ResultWriter::Leak::Unknown;
    if (end.passed() && !m_ownAddress.empty())
        leak = AddressLeak::shows(end.answer, m_ownAddress) ? ResultWriter::Leak::Yes : ResultWriter::Leak::No;
    m_writer->write(end, leak);
    if (end.passed() && m_findsFile.isOpen()
        && !m_findsFile.writeLine(std::string(end.ip).append(1, ':').append(end.portText)))
        stopEarly(kOutputFailed, m_findsFile.errorString(), "Status: Stopped.");
}

void CheckRunner::scanEnded(const ScanEnd& end)
{
    // The window's words, which scripts may have come to read.
    m_status = end.lastEndedOnError ? "Status: Checking Completed." : "Status: Scan Complete!";
    m_ended = true;
    m_progress->setEnabled(false);
    m_input->setEnabled(false);
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

std::string CheckRunner::defaultJudgeProblem(const std::string& judge)
{
    const std::string list = JudgeListPaths::readPath();
    if (judge.empty())
        return "no judge URL in " + list + "; pass --judge URL";
    // The shipped list holds examples only: every proxy would fail with them.
    if (JudgeUrl::isPlaceholder(judge))
        return "no judge: " + list + " starts with the example " + judge
            + ", which no server answers; pass --judge URL (your own quorvane-judge, say) or put your judge first in the list";
    if (JudgeUrl::host(judge).empty())
        return "the first line of " + list + ", \"" + judge + "\", is not a URL with a scheme and a host; pass --judge URL";
    return {};
}

bool CheckRunner::load(const std::string& path, std::string& error)
{
    if (path == "-") {
        m_pending.streamStandardInput();
        return true;
    }
    TextFileReader file;
    if (!file.open(path) || !m_pending.load(file, error)) {
        error = path + ": " + (error.empty() ? file.errorString() : error);
        return false;
    }
    return true;
}

void CheckRunner::readInput()
{
    const bool changed = m_pending.pull();
    if (!m_pending.streaming()) {
        m_input->setEnabled(false);
        if (const std::string error = m_pending.streamError(); !error.empty()) {
            stopEarly(2, "standard input: " + error, "Status: Stopped.");
            return;
        }
    }
    // New entries for idle sockets; at the input's end, the scan may be over.
    if (changed)
        m_engine.wakeIdleSockets();
}

int CheckRunner::begin(const CheckOptions& options)
{
    m_options = options;
    m_writer.emplace(m_out, options.format, options.all);
    m_ownAddress = options.myAddress.value_or(std::string());
    m_judge = options.judge ? *options.judge : defaultJudge();
    if (!options.judge) {
        if (const std::string problem = defaultJudgeProblem(m_judge); !problem.empty())
            return fail(problem);
    }
    // A path that cannot be written fails now, not after the scan.
    if (options.out && !m_findsFile.open(*options.out))
        return fail(m_findsFile.errorString());
    m_pending.setFilter(std::make_unique<EntryFilter>(options.unique, options.shard, options.shards));
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
        // The judge saw this machine's own address: a proxy's page that shows it leaks it.
        if (!m_options.myAddress)
            m_ownAddress = AddressLeak::remoteAddress(m_judgeCheck.answer());
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
    if (m_findsFile.isOpen() && !m_findsFile.begin()) {
        fail(m_findsFile.errorString());
        m_stopStatus = kOutputFailed;
        return false;
    }
    m_writer->writeHeader();
    m_startedMs = m_loop.nowMs();
    m_progress->setEnabled(true);
    m_input->setEnabled(m_pending.streaming());
    ScanSettings settings;
    settings.sockets = m_options.sockets;
    settings.timeoutMs = m_options.timeoutMs;
    settings.judge = m_judge;
    if (!m_engine.start(settings))
        m_status = "Status: Please load some proxies!";
    if (!m_engine.isRunning()) {
        // Nothing loaded, or nothing usable: the scan is over already.
        m_progress->setEnabled(false);
        m_input->setEnabled(false);
        if (!m_ended)
            report(true);
        return false;
    }
    return true;
}

int CheckRunner::finish()
{
    m_progress->setEnabled(false);
    m_input->setEnabled(false);
    m_out.flush();
    const bool wasOut = m_findsFile.isOpen();
    if (!m_findsFile.close() && m_stopStatus == 0 && wasOut) {
        fail(m_findsFile.errorString());
        m_stopStatus = kOutputFailed;
    }
    return m_stopStatus != 0 ? m_stopStatus : m_judgeStatus;
}

void CheckRunner::stopEarly(int status, const std::string& message, const std::string& statusText)
{
    if (m_stopStatus != 0)
        return;
    m_stopStatus = status;
    if (!message.empty())
        fail(message);
    m_progress->setEnabled(false);
    m_input->setEnabled(false);
    if (m_engine.isRunning()) {
        m_engine.stop();
        m_ended = true;
        m_status = statusText;
        report(true);
    }
    // Before or after a scan (the judge check runs) the loop is left the same way.
    if (onFinished)
        onFinished();
}

void CheckRunner::outputFailed(const std::string& output, int error)
{
    stopEarly(kOutputFailed, output + ": " + std::strerror(error), "Status: Stopped.");
}

void CheckRunner::interrupt(int signal)
{
    stopEarly(128 + signal, {}, std::string("Status: Stopped by ") + StopSignals::name(signal) + '.');
}

void CheckRunner::hideProgress()
{
    if (m_progressShown)
        m_err << "\r\x1b[K" << std::flush;
}

void CheckRunner::redrawProgress()
{
    if (m_progressShown)
        m_err << progressLine() << "\x1b[K" << std::flush;
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
    // While input streams in, the total is not known yet.
    const bool known = !m_pending.streaming();
    const std::uint64_t total = m_pending.accepted();
    std::string line = "checked " + std::to_string(checked) + (known ? '/' + std::to_string(total) : std::string())
        + ", found " + std::to_string(m_engine.counters().found) + ", " + std::to_string(rate) + "/s";
    if (!m_ended && known && rate > 0 && checked < total)
        line += ", " + clockText(static_cast<std::int64_t>((total - checked + rate - 1) / rate)) + " left";
    return line;
}

void CheckRunner::report(bool final)
{
    if (final)
        m_out.flush(); // the last results before the summary
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
