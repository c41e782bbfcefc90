#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/check/CheckOptions.h"
#include "app/check/JudgeCheck.h"
#include "engine/PlainListView.h"
#include "engine/ProxyLoader.h"
#include "engine/ScanEngine.h"
#include "engine/ScanView.h"
#include "platform/EventLoop.h"
#include "platform/MemoryListBox.h"

namespace qv {

// The scan of quorvane-check without a window: loads the files, runs the engine on the given
// loop, writes each find to out as it comes and the status and progress to err.
class CheckRunner final : private ScanView {
public:
    static constexpr int kProgressEveryMs = 250;

    CheckRunner(EventLoop& loop, std::ostream& out, std::ostream& err);
    ~CheckRunner() override;
    CheckRunner(const CheckRunner&) = delete;
    CheckRunner& operator=(const CheckRunner&) = delete;

    // Exit status when the judge would fail every proxy.
    static constexpr int kDeadJudge = 3;

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

private:
    // ScanView
    void setPanelCaption(int panel, const std::string& text) override;
    bool isButtonEnabled(int index) const override;
    void setButtonEnabled(int index, bool enabled) override;
    int sliderValue() const override { return m_options.sockets; }
    std::string timeoutText() const override { return std::to_string(m_options.timeoutMs); }
    std::string judgeText() const override { return m_judge; }
    void setSocketsCaption(const std::string&) override { }

    void report(bool force);
    int fail(const std::string& message);
    void judgeChecked(const std::string& problem);
    // False when the scan ended as it started.
    bool startScan();

    EventLoop& m_loop;
    std::ostream& m_out;
    std::ostream& m_err;
    CheckOptions m_options;
    std::string m_judge;
    MemoryListBox m_pending;
    MemoryListBox m_found;
    PlainListView m_foundView;
    ScanEngine m_engine;
    ProxyLoader m_loader;
    JudgeCheck m_judgeCheck;
    int m_judgeStatus = 0;
    std::unique_ptr<Timer> m_progress;
    std::array<std::string, 4> m_panels;
    std::array<bool, 7> m_buttons {};
    std::string m_lastStatus;
    int m_total = 0;
    int m_checked = 0;
    std::int64_t m_startedMs = 0;
    bool m_ended = false;
};

} // namespace qv
