#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/check/CheckOptions.h"
#include "app/check/FindsFile.h"
#include "app/check/JudgeCheck.h"
#include "app/check/PendingQueue.h"
#include "app/check/ResultWriter.h"
#include "engine/ScanEngine.h"
#include "platform/EventLoop.h"

namespace qv {

// The scan of quorvane-check without a window: loads the files (without the window's limit) and
// streams standard input, runs the engine on the given loop, writes each result to out as it comes
// and the status and progress to err.
class CheckRunner final : private ScanObserver {
public:
    static constexpr int kProgressEveryMs = 250;
    // How often standard input is looked at while the scan waits for it.
    static constexpr int kInputEveryMs = 20;

    CheckRunner(EventLoop& loop, std::ostream& out, std::ostream& err);
    ~CheckRunner() override;
    CheckRunner(const CheckRunner&) = delete;
    CheckRunner& operator=(const CheckRunner&) = delete;

    // Exit status when the judge would fail every proxy.
    static constexpr int kDeadJudge = 3;
    // Exit status when an output could not be written.
    static constexpr int kOutputFailed = 1;

    // Standard error is a terminal: the progress line is shown, rewritten in place.
    void setTerminal(bool terminal) { m_terminal = terminal; }

    // Loads, checks the judge and starts. Returns an exit status when there is nothing to wait
    // for (2 for an unreadable file, no usable judge or an --out that cannot be written, 0 for an
    // empty list), or -1 while the judge check or the scan runs; then onFinished is called once
    // when it has ended, and finish() gives the exit status (kDeadJudge when the judge check
    // failed).
    int begin(const CheckOptions& options);
    int finish();
    bool scanning() const { return m_engine.isRunning(); }
    std::function<void()> onFinished;

    // A write to standard output failed: the scan stops, and finish() says so.
    void outputFailed(const std::string& output, int error);
    // A stop signal came: the scan stops as Stop does, every find so far written, and finish()
    // gives 128 + signal.
    void interrupt(int signal);
    // Around writes to standard output on the terminal that shows the progress line.
    void hideProgress();
    void redrawProgress();

    // The first line of the judge list (JudgeListPaths::readPath), or empty.
    static std::string defaultJudge();
    // Every line of the judge list.
    static std::vector<std::string> judgeList();
    // This machine's address as the judge saw it, or as --my-address gave it; empty when unknown.
    const std::string& ownAddress() const { return m_ownAddress; }

private:
    // ScanObserver
    void entryTaken(std::size_t) override { }
    void checkConnected(std::string_view, std::string_view) override { }
    void checkEnded(const CheckEnd& end) override;
    void scanStarted() override { }
    void scanEnded(const ScanEnd& end) override;

    // False, with the error, when a file cannot be read.
    bool load(const std::string& path, std::string& error);
    void readInput();
    // Checks the judge the list gives when --judge is not given; empty when it is usable.
    static std::string defaultJudgeProblem(const std::string& judge);
    // Ends the scan early with an exit status, a message (if any) and the status text.
    void stopEarly(int status, const std::string& message, const std::string& statusText);
    void tick();
    void report(bool final);
    std::string progressLine() const;
    int fail(const std::string& message);
    void judgeChecked(const std::string& problem);
    // Checks the next judge of m_judgesToCheck; false when none is left.
    bool checkNextJudge();
    // False when the scan ended as it started.
    bool startScan();

    EventLoop& m_loop;
    std::ostream& m_out;
    std::ostream& m_err;
    CheckOptions m_options;
    std::string m_judge; // for http and SOCKS checks
    std::string m_httpsJudge; // for https checks
    std::vector<std::string> m_judgesToCheck; // before the scan, in turn
    std::shared_ptr<const TlsContext> m_tls;
    std::string m_judgeAddress;
    std::uint64_t m_extraChecks = 0; // further protocols of entries without a scheme
    bool m_usesHttps = false; // some check needs the https judge
    bool m_socksByAddress = false; // some check sends a SOCKS proxy the judge's address
    std::string m_ownAddress;
    PendingQueue m_pending;
    ScanEngine m_engine;
    std::optional<ResultWriter> m_writer;
    JudgeCheck m_judgeCheck;
    FindsFile m_findsFile;
    int m_judgeStatus = 0;
    int m_stopStatus = 0;
    std::unique_ptr<Timer> m_progress;
    std::unique_ptr<Timer> m_input;
    // The status written at the end.
    std::string m_status;
    bool m_terminal = false;
    bool m_progressShown = false; // a progress line stands unfinished on a terminal
    std::int64_t m_startedMs = 0;
    bool m_ended = false;
};

} // namespace qv
