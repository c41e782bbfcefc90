#pragma once

#include <functional>
#include <string>

#include "app/ScanView.h"
#include "engine/ListBoxQueue.h"
#include "engine/ScanEngine.h"
#include "platform/ListBox.h"
#include "platform/ListView.h"

namespace qv {

// The window's side of a scan: runs the engine on the window's lists and turns what it reports
// into the window's captions, button states and found rows; gives the engine the slider, the
// timeout and the judge, the latter two read afresh at every step so that a change during a scan
// applies from the next one.
class ScanPresenter final : private ScanObserver, private LiveScanSettings {
public:
    // The slider goes no further.
    static constexpr int kMaxSockets = 100;
    static constexpr int kDefaultTimeoutMs = 8000;

    // For tests and benchmarks that follow a scan.
    struct Hooks {
        std::function<void(const CheckEnd&)> checkEnded;
        std::function<void()> scanEnded;
    };

    ScanPresenter(EventLoop& loop, ScanView& view, ListBox& pending, ListBox& found, ListView& foundView);
    ScanPresenter(const ScanPresenter&) = delete;
    ScanPresenter& operator=(const ScanPresenter&) = delete;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    ScanEngine& engine() { return m_engine; }
    bool isRunning() const { return m_engine.isRunning(); }
    int checksInFlight() const { return m_engine.checksInFlight(); }

    // The toolbar's Start: ignored while a scan runs, so checks in flight are never abandoned.
    void start();
    // The toolbar's Stop: closes every socket with a check in flight; their entries go back.
    void stop();
    // The slider moved: relabels it. A running scan keeps its socket count.
    void sliderScroll();
    // The program ends: drops every connection, showing nothing.
    void shutdown() { m_engine.shutdown(); }

    // The interval used for the next step: the timeout text when it is a positive whole number,
    // else the last such value.
    int timeoutMs() override;

private:
    // ScanObserver
    void entryTaken(std::size_t pending) override;
    void checkConnected(std::string_view ip, std::string_view portText) override;
    void checkEnded(const CheckEnd& end) override;
    void scanStarted() override;
    void scanEnded(const ScanEnd& end) override;
    // LiveScanSettings
    const std::string& judge() override;

    void found(const CheckEnd& end);
    const std::string& caption(std::string_view label, std::size_t number);

    ScanView& m_view;
    ListBox& m_foundList;
    ListView& m_foundView;
    ListBoxQueue m_pending;
    ScanEngine m_engine;
    Hooks m_hooks;
    int m_timeoutMs = kDefaultTimeoutMs;
    std::string m_judge;
    bool m_fullReported = false; // the found list's full message was shown this scan
    // Panel texts are made here, without a new string each: they are written several times per check.
    std::string m_caption;
    std::string m_entry;
};

} // namespace qv
