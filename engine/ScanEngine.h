#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/EntryQueue.h"
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
    // The window's slider goes no further; setSocketLimit allows more.
    static constexpr int kMaxSockets = 100;
    static constexpr std::size_t kAnswerCap = 256 * 1024;
    static constexpr int kDefaultTimeoutMs = 8000;

    // How a check ended: found, or why not.
    enum class Result : std::uint8_t {
        Found,
        Refused, // the connection was refused
        Reset, // reset before any byte of the answer
        TimedOut, // no passing answer within the timeout
        NoPassMarker, // the whole answer came, without the pass marker
        UnusableEntry, // no usable address and port in the entry
        NameNotFound, // the host name could not be looked up
        Unreachable, // no route to the network or host
        OtherError, // any other socket error before the answer
    };
    struct CheckEnd {
        Result result = Result::Found;
        std::string_view entry; // as it was in the pending list
        std::string_view ip;
        int port = 0; // 0 for an unusable entry
        std::string_view level; // found only
        std::int64_t ms = 0; // from the hand-out to the verdict
        bool passed() const { return result == Result::Found; }
    };
    // Short lower-case words for a result: "found", "refused", "timed out", ...
    static const char* resultName(Result result);

    // Optional observers, for front ends that report progress.
    struct Hooks {
        // Every entry taken from the pending list ends here once, judged or not; the texts live
        // until the handler returns.
        std::function<void(const CheckEnd&)> checkEnded;
        std::function<void()> scanEnded;
    };

    // The window's lists, with their limits.
    ScanEngine(EventLoop& loop, ScanView& view, ListBox& pending, ListBox& found, ListView& foundView);
    ScanEngine(EventLoop& loop, ScanView& view, EntryQueue& pending, EntryQueue& found, ListView& foundView);
    ~ScanEngine();
    ScanEngine(const ScanEngine&) = delete;
    ScanEngine& operator=(const ScanEngine&) = delete;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // The most sockets a scan uses, whatever the slider says (kMaxSockets unless set). Takes effect
    // at the next start.
    void setSocketLimit(int limit) { m_socketLimit = limit; }

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
    // index 0..kMaxSockets (or the largest socket count used so far); 1..N take part in a scan.
    const SocketRecord& record(int index) const { return m_records.at(static_cast<std::size_t>(index)); }

private:
    struct Slot {
        std::unique_ptr<TcpSocket> socket;
        std::unique_ptr<Timer> timer;
        bool inFlight = false;
        // The entry being checked and when it was handed out, so Stop can give it back.
        std::string entry;
        std::uint64_t handOutNumber = 0;
        std::int64_t handOutMs = 0;
    };
    enum class Outcome { Judged, TimedOut, SocketError };

    ScanEngine(EventLoop& loop, ScanView& view, std::unique_ptr<EntryQueue> pending,
        std::unique_ptr<EntryQueue> found, ListView& foundView);
    Slot& ensureSlot(int i);
    void handOut(int i);
    void restartTimer(int i);
    void onConnected(int i);
    void onData(int i);
    void onPeerClosed(int i);
    void onError(int i, int number);
    void onTick(int i);
    // Appends what the socket holds to reply; true when the cap is reached.
    bool gather(int i);
    void judge(int i, Result failure);
    void endCheck(int i, Outcome outcome, Result failure = Result::OtherError);
    void report(Result result, const Slot& slot, const SocketRecord& record);
    void closeSlot(int i);
    void closeAllSlots();
    void maybeFinish();
    void finish();
    void writeLoaded();
    const std::string& caption(std::string_view label, std::size_t number);

    EventLoop& m_loop;
    ScanView& m_view;
    // Adapters for the window's list boxes; the queues below point at them then.
    std::unique_ptr<EntryQueue> m_ownPending;
    std::unique_ptr<EntryQueue> m_ownFound;
    EntryQueue& m_pending;
    EntryQueue& m_found;
    ListView& m_foundView;
    Hooks m_hooks;

    std::vector<Slot> m_slots;
    std::vector<SocketRecord> m_records;
    int m_socketLimit = kMaxSockets;
    bool m_running = false;
    bool m_lastEndWasError = false;
    int m_scanSockets = 0;
    int m_inFlight = 0;
    std::uint64_t m_handOuts = 0;
    // Panel texts are made here, without a new string each: they are written several times per check.
    std::string m_caption;
    std::string m_requestJudge;
    std::string m_request;
    int m_timeoutMs = kDefaultTimeoutMs;
};

} // namespace qv
