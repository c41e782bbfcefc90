#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "engine/ScanView.h"
#include "engine/SocketRecord.h"
#include "platform/EventLoop.h"
#include "platform/ListBox.h"
#include "platform/ListView.h"

namespace qv {

// Runs a scan: up to N sockets at once, each taking the head of the pending list, sending the
// judge request through that proxy, gathering the answer until the proxy closes (or resets the
// connection after the answer began), and judging it.
// Everything happens in event handlers on the one event loop; the engine itself never yields.
//
// A scan ends exactly once: when the pending list is empty and no socket has a check in flight.
class ScanEngine final {
public:
    static constexpr int kMaxSockets = 100;
    static constexpr std::size_t kAnswerCap = 256 * 1024;
    static constexpr int kDefaultTimeoutMs = 8000;

    // Optional observers, for front ends that report progress.
    struct Hooks {
        std::function<void(const std::string& ip, const std::string& port, const std::string& level)> found;
        // Every entry taken from the pending list ends here once, judged or not.
        std::function<void(bool passed)> checkEnded;
        std::function<void()> scanEnded;
    };

    ScanEngine(EventLoop& loop, ScanView& view, ListBox& pending, ListBox& found, ListView& foundView);
    ~ScanEngine();
    ScanEngine(const ScanEngine&) = delete;
    ScanEngine& operator=(const ScanEngine&) = delete;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    // The toolbar's Start: ignored while a scan runs, so checks in flight are never abandoned.
    void start();
    // The toolbar's Stop: closes every socket with a check in flight.
    void stop();
    // The slider moved: relabels it. A running scan keeps its socket count.
    void sliderScroll();
    // Entries were added to the pending list while a scan runs: sockets left idle take them.
    void wakeIdleSockets();
    // The program ends: drops every connection and stops every timer, showing nothing.
    void shutdown();

    bool isRunning() const { return m_running; }
    int checksInFlight() const { return m_inFlight; }
    int scanSockets() const { return m_scanSockets; }
    // The interval used for the next connect: the timeout text when it is a positive whole
    // number, else the last such value.
    int timeoutMs();
    // index 0..kMaxSockets; 1..N take part in a scan.
    const SocketRecord& record(int index) const { return m_records.at(static_cast<std::size_t>(index)); }

private:
    struct Slot {
        std::unique_ptr<TcpSocket> socket;
        std::unique_ptr<Timer> timer;
        bool inFlight = false;
        // The entry being checked and when it was handed out, so Stop can give it back.
        std::string entry;
        std::uint64_t handOutNumber = 0;
    };
    enum class Outcome { Judged, Failed, SocketError };

    Slot& ensureSlot(int i);
    void handOut(int i);
    void restartTimer(int i);
    void onConnected(int i);
    void onData(int i);
    void onPeerClosed(int i);
    void onError(int i);
    void onTick(int i);
    // Appends what the socket holds to reply; true when the cap is reached.
    bool gather(int i);
    void judge(int i);
    void endCheck(int i, Outcome outcome);
    void closeSlot(int i);
    void maybeFinish();
    void finish();
    void writeLoaded();

    EventLoop& m_loop;
    ScanView& m_view;
    ListBox& m_pending;
    ListBox& m_found;
    ListView& m_foundView;
    Hooks m_hooks;

    std::array<Slot, kMaxSockets + 1> m_slots;
    std::array<SocketRecord, kMaxSockets + 1> m_records;
    bool m_running = false;
    bool m_lastEndWasError = false;
    int m_scanSockets = 0;
    int m_inFlight = 0;
    std::uint64_t m_handOuts = 0;
    int m_timeoutMs = kDefaultTimeoutMs;
};

} // namespace qv
