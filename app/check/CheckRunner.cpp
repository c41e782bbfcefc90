#include "app/check/CheckRunner.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>

#include "app/check/AddressLeak.h"
#include "app/check/StopSignals.h"
#include "engine/JudgeHost.h"
#include "engine/ProxyUrl.h"
#include "protocols/JudgeUrl.h"
#include "util/Text.h"
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
        && !m_findsFile.writeLine(
            end.proxy.empty() ? std::string(end.ip).append(1, ':').append(end.portText) : std::string(end.proxy)))
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

std::vector<std::string> CheckRunner::judgeList()
{
    TextFileReader file;
    std::vector<std::string> lines;
    std::string line;
    if (file.open(JudgeListPaths::readPath())) {
        while (file.readLine(line))
            lines.push_back(line);
    }
    return lines;
}

namespace {
// The address a host name has now (the first the system's resolver gives), or empty.
std::string addressOf(const std::string& host)
{
    addrinfo hints {};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return {};
    char text[NI_MAXHOST];
    const bool ok = getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) == 0;
    freeaddrinfo(found);
    return ok ? text : std::string();
}
} // namespace

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
    if (JudgeHost::isPlaceholder(judge))
        return "no judge: " + list + " starts with the example " + judge
            + ", which no server answers; pass --judge URL (your own quorvane-judge, say) or put your judge first in the list";
    if (JudgeHost::host(judge).empty())
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
    // http and SOCKS checks take the first http:// judge (else the first judge at all, as before),
    // https checks the first https:// one.
    const std::vector<std::string> judges = options.judges.empty() ? judgeList() : options.judges;
    for (const std::string& judge : judges) {
        if (m_judge.empty() && startsWithNoCase(judge, "http://"))
            m_judge = judge;
        if (m_httpsJudge.empty() && startsWithNoCase(judge, "https://"))
            m_httpsJudge = judge;
    }
    if (m_judge.empty() && !judges.empty())
        m_judge = judges.front();
    if (!options.judge) {
        if (const std::string problem = defaultJudgeProblem(m_judge); !problem.empty())
            return fail(problem);
    }
    if (!options.caFile.empty() || options.insecure) {
        std::string error;
        m_tls = TlsContext::create(options.caFile, options.insecure, &error);
        if (!m_tls)
            return fail(error);
    }
    if (options.insecure && !options.quiet)
        m_err << "quorvane-check: --insecure: the certificates of https judges are not verified\n";
    // Which protocols the scan uses: those listed, and those the entries name.
    auto uses = [&](Protocol p) { return std::find(options.protocols.begin(), options.protocols.end(), p) != options.protocols.end(); };
    m_usesHttps = uses(Protocol::Https);
    m_socksByAddress = uses(Protocol::Socks4) || uses(Protocol::Socks5);
    m_pending.onAccepted = [this](const std::string& entry) {
        // An entry without a scheme is a check per protocol.
        if (!ProxyUrl::hasScheme(entry))
            m_extraChecks += m_options.protocols.size() - 1;
        m_usesHttps = m_usesHttps || startsWithNoCase(entry, "https://");
        m_socksByAddress = m_socksByAddress || startsWithNoCase(entry, "socks4://") || startsWithNoCase(entry, "socks5://");
    };
    // A path that cannot be written fails now, not after the scan.
    if (options.out && !m_findsFile.open(*options.out))
        return fail(m_findsFile.errorString());
    m_pending.setFilter(std::make_unique<EntryFilter>(options.unique, options.shard, options.shards));
    for (const std::string& path : options.files) {
        std::string error;
        if (!load(path, error))
            return fail(error);
    }
    if (m_usesHttps && m_httpsJudge.empty() && !options.quiet)
        m_err << "quorvane-check: no https:// judge (give --judge https://...): https checks fail with \"no https judge\"\n";
    // socks4 and socks5 proxies are sent the judge's address, looked up once here.
    if (const std::optional<JudgeUrl> url = JudgeUrl::parse(m_judge);
        m_socksByAddress && url && url->destination.kind() == Destination::Kind::Name)
        m_judgeAddress = addressOf(url->destination.host);

    // A judge that is gone would fail every proxy: say so instead of reporting none found.
    if (m_options.judgeCheck && m_pending.count() > 0) {
        m_judgesToCheck = { m_judge };
        if (m_usesHttps && !m_httpsJudge.empty())
            m_judgesToCheck.push_back(m_httpsJudge);
        if (checkNextJudge())
            return -1;
    }
    return startScan() ? -1 : finish();
}

bool CheckRunner::checkNextJudge()
{
    while (!m_judgesToCheck.empty()) {
        const std::string judge = m_judgesToCheck.front();
        if (m_judgeCheck.start(judge, m_options.timeoutMs, [this](const std::string& p) { judgeChecked(p); }, m_tls))
            return true;
        m_judgesToCheck.erase(m_judgesToCheck.begin());
        m_err << "quorvane-check: judge " << judge
              << " is not an http:// or https:// URL and cannot be checked directly; scanning anyway\n";
    }
    return false;
}

void CheckRunner::judgeChecked(const std::string& problem)
{
    const std::string judge = m_judgesToCheck.front();
    m_judgesToCheck.erase(m_judgesToCheck.begin());
    if (problem.empty()) {
        // The judge saw this machine's own address: a proxy's page that shows it leaks it.
        if (!m_options.myAddress && m_ownAddress.empty())
            m_ownAddress = AddressLeak::remoteAddress(m_judgeCheck.answer());
        if (checkNextJudge())
            return;
        if (!startScan() && !m_ended && onFinished)
            onFinished();
        return;
    }
    m_judgeStatus = kDeadJudge;
    m_err << "quorvane-check: judge " << judge << ": " << problem << "; --no-judge-check scans anyway\n"
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
    settings.httpsJudge = m_httpsJudge;
    settings.protocols = m_options.protocols;
    settings.judgeAddress = m_judgeAddress;
    settings.tls = m_tls;
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
    const std::uint64_t total = m_pending.accepted() + m_extraChecks;
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
