#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/check/CheckOptions.h"
#include "app/check/JudgeCheck.h"
#include "app/check/ResultWriter.h"
#include "engine/PackedQueue.h"
#include "engine/ScanEngine.h"
#include "platform/EventLoop.h"

namespace qv {

// The scan of quorvane-check without a window: loads the files (without the window's limit),
// runs the engine on the given loop, writes each result to out as it comes and the status and
// progress to err.
class CheckRunner final : private ScanObserver {
public:
    static constexpr int kProgressEveryMs = 250;

    CheckRunner(EventLoop& loop, std::ostream& out, std::ostream& err);
    ~CheckRunner() override;
    CheckRunner(const CheckRunner&) = delete;
    CheckRunner& operator=(const CheckRunner&) = delete;

    // Exit status when the judge would fail every proxy.
    static constexpr int kDeadJudge = 3;

    // Standard error is a terminal: the progress line is shown, rewritten in place.
    void setTerminal(bool terminal) { m_terminal = terminal; }

    // Loads, checks the judge and starts. Returns an exit status when there is nothing to wait
    // for (2 for an unreadable file or no judge, 0 for an empty list), or -1 while the judge check
    // or the scan runs; then onFinished is called once when it has ended, and finish() gives the
    // exit status (kDeadJudge when the judge check failed).
    int begin(const CheckOptions& options);
    int finish();
    bool scanning() const { return m_engine.isRunning(); }
    std::function<void()> onFinished;

    // The first line of the judge list (JudgeListPaths::readPath), or empty.
    static std::string defaultJudge();
    // Every line of the judge list.
    static std::vector<std::string> judgeList();

private:
    // ScanObserver
    void entryTaken(std::size_t) override { }
    void checkConnected(std::string_view, std::string_view) override { }
    void checkEnded(const CheckEnd& end) override;
    void scanStarted() override { }
    void scanEnded(const ScanEnd& end) override;

    // False, with the error, when a file cannot be read.
    bool load(const std::string& path, std::string& error);
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
    PackedQueue m_pending;
    // The finds, kept only for --out.
    PackedQueue m_found;
    ScanEngine m_engine;
    std::optional<ResultWriter> m_writer;
    JudgeCheck m_judgeCheck;
    int m_judgeStatus = 0;
    std::unique_ptr<Timer> m_progress;
    // The status written at the end.
    std::string m_status;
    bool m_terminal = false;
    bool m_progressShown = false; // a progress line stands unfinished on a terminal
    std::uint64_t m_total = 0;
    std::int64_t m_startedMs = 0;
    bool m_ended = false;
};

} // namespace qv
