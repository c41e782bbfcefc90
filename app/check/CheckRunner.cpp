#include "app/check/CheckRunner.h"

#include "platform/JudgeListPaths.h"
#include "platform/TextFile.h"

namespace qv {

CheckRunner::CheckRunner(EventLoop& loop, std::ostream& out, std::ostream& err)
    : m_loop(loop)
    , m_out(out)
    , m_err(err)
    , m_engine(loop, *this, m_pending, m_found, m_foundView)
    , m_loader(loop, *this, m_pending, m_engine)
    , m_judgeCheck(loop)
{
    ScanEngine::Hooks hooks;
    hooks.found = [this](const std::string& ip, const std::string& port, const std::string& level) {
        m_out << ip << ':' << port << '\t' << level << '\n' << std::flush;
    };
    hooks.checkEnded = [this](bool) { ++m_checked; };
    hooks.scanEnded = [this] {
        m_ended = true;
        m_progress->setEnabled(false);
        report(true);
        if (onFinished)
            onFinished();
    };
    m_engine.setHooks(std::move(hooks));
    m_progress = m_loop.createTimer();
    m_progress->setInterval(kProgressEveryMs);
    m_progress->setOnTick([this] { report(false); });
}

CheckRunner::~CheckRunner() = default;

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

int CheckRunner::begin(const CheckOptions& options)
{
    m_options = options;
    m_judge = options.judge ? *options.judge : defaultJudge();
    if (m_judge.empty())
        return fail("no judge URL: give --judge URL or put judgescripts.txt beside the program");
    for (const std::string& path : options.files) {
        const ProxyLoader::Result result = m_loader.loadFile(path);
        if (result == ProxyLoader::Result::Failed)
            return fail(path + ": " + m_loader.errorString());
        if (result == ProxyLoader::Result::LimitReached)
            break;
    }
    if (!m_options.quiet && !m_panels[1].empty())
        m_err << m_panels[1] << '\n';
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
    m_lastStatus = m_panels[1];
    m_total = m_pending.count();
    m_startedMs = m_loop.nowMs();
    m_progress->setEnabled(true);
    m_engine.start();
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
    if (m_judgeStatus != 0)
        return m_judgeStatus;
    if (!m_options.out)
        return 0;
    TextFileWriter file;
    bool ok = file.open(*m_options.out);
    for (int i = 0; ok && i < m_found.count(); ++i)
        ok = file.writeLine(m_found.item(i));
    if (!file.close() || !ok)
        return fail(*m_options.out + ": " + file.errorString());
    return 0;
}

void CheckRunner::setPanelCaption(int panel, const std::string& text)
{
    if (panel >= 1 && panel <= 3)
        m_panels[static_cast<std::size_t>(panel)] = text;
}

bool CheckRunner::isButtonEnabled(int index) const
{
    return index >= 0 && index < static_cast<int>(m_buttons.size()) && m_buttons[static_cast<std::size_t>(index)];
}

void CheckRunner::setButtonEnabled(int index, bool enabled)
{
    if (index >= 0 && index < static_cast<int>(m_buttons.size()))
        m_buttons[static_cast<std::size_t>(index)] = enabled;
}

void CheckRunner::report(bool force)
{
    if (m_options.quiet)
        return;
    if (force || m_panels[1] != m_lastStatus) {
        m_lastStatus = m_panels[1];
        m_err << m_panels[1] << '\n';
    }
    const double seconds = static_cast<double>(m_loop.nowMs() - m_startedMs) / 1000.0;
    const long rate = seconds > 0 ? static_cast<long>(m_checked / seconds) : 0;
    m_err << "checked " << m_checked << '/' << m_total << ", found " << m_foundView.rowCount() << ", " << rate
          << "/s";
    if (m_ended)
        m_err << ", " << m_panels[2];
    m_err << '\n' << std::flush;
}

} // namespace qv
