#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CheckResult.h"
#include "engine/EntryQueue.h"
#include "engine/Exchange.h"
#include "engine/ScanObserver.h"
#include "engine/ScanSettings.h"
#include "platform/EventLoop.h"
#include "protocols/Credentials.h"
#include "protocols/Destination.h"
#include "protocols/JudgeUrl.h"

namespace qv {

// Runs a scan: up to N sockets at once, each taking the head of the pending list and checking
// that proxy through its exchange (see Exchange), then taking the next. Everything happens in
// event handlers on the one event loop; the engine itself never yields. It reports what happens to
// its observer and keeps no texts of a front end.
//
// A scan ends exactly once: when the pending list is empty and no socket has a check in flight.
class ScanEngine final : private ExchangeClient {
public:
    static constexpr std::size_t kAnswerCap = Exchange::kAnswerCap;
    // The names the check program and its tests have always used.
    using Result = CheckResult;
    using CheckEnd = qv::CheckEnd;
    static const char* resultName(Result result) { return checkResultName(result); }

    struct Counters {
        std::uint64_t checked = 0; // entries taken that have ended, this scan
        std::uint64_t found = 0; // of them found
    };
    // Checks Stop cut short, given back to the pending list in the order they were handed out.
    struct StopResult {
        std::size_t putBack = 0;
        std::vector<std::string> notPutBack; // the pending list had no room for these
    };

    ScanEngine(EventLoop& loop, EntryQueue& pending, ScanObserver& observer);
    ~ScanEngine() override;
    ScanEngine(const ScanEngine&) = delete;
    ScanEngine& operator=(const ScanEngine&) = delete;

    // Starts a scan of the pending list: false, with nothing reported, while a scan runs or when
    // the list is empty. With live settings their timeout and judge are read at every step instead.
    bool start(const ScanSettings& settings, LiveScanSettings* live = nullptr);
    // Closes every socket with a check in flight and gives their entries back to the head of the
    // pending list; the scan ends without scanEnded.
    StopResult stop();
    // Entries were added to the pending list while a scan runs: sockets left idle take them.
    void wakeIdleSockets();
    // The program ends: drops every connection and stops every timer, reporting nothing.
    void shutdown();

    bool isRunning() const { return m_running; }
    int checksInFlight() const { return m_inFlight; }
    int scanSockets() const { return m_scanSockets; }
    const Counters& counters() const { return m_counters; }
    // The answer socket 1..N last gathered (empty for a socket never used).
    const std::string& answer(int socket) const;

private:
    struct Slot {
        std::unique_ptr<Exchange> exchange;
        bool inFlight = false;
        // The entry being checked and when it was handed out, so Stop can give it back.
        std::string entry;
        std::string ip;
        std::string portText;
        int port = 0;
        std::uint64_t handOutNumber = 0;
        std::int64_t handOutMs = 0;
        Protocol protocol = Protocol::Http;
        std::optional<Credentials> credentials;
        // The check's protocol came from the settings, not from the entry: Stop gives it back
        // written with that scheme, so that it is not checked with every protocol again.
        bool expanded = false;
        bool layered = false; // the exchange holds protocol layers
        // What those layers were made for. Without TLS they serve the next check with the same
        // protocol, credentials and destination again (reset at its connect) rather than being made anew.
        bool reusable = false;
        Protocol layersProtocol = Protocol::Http;
        std::optional<Credentials> layersCredentials;
        Destination layersDestination;
        std::string request; // empty: the plain judge request every HTTP check shares
        std::string exit;
        std::string proxy; // see CheckEnd::proxy
    };
    // A further protocol of an entry without a scheme, waiting for a socket.
    struct Expansion {
        std::string entry;
        Protocol protocol;
    };

    // ExchangeClient
    int timeoutMs() override;
    std::string_view request(const Exchange& exchange) override;
    void exchangeConnected(Exchange& exchange) override;
    void exchangeEnded(Exchange& exchange, const ExchangeEnd& end) override;

    Slot& ensureSlot(int i);
    bool takeNext(Slot& slot);
    bool morePending() const { return m_pending.count() > 0 || !m_expanded.empty(); }
    void handOut(int i);
    // Sets up the slot's exchange for its protocol; the reason when the check cannot be made.
    std::string_view prepare(Slot& slot);
    const std::optional<JudgeUrl>& parsedJudge(const std::string& url);
    void report(CheckResult result, const Slot& slot, std::string_view level = {}, std::string_view reason = {});
    void closeSlot(int i);
    void closeAllSlots();
    void maybeFinish();

    EventLoop& m_loop;
    EntryQueue& m_pending;
    ScanObserver& m_observer;
    LiveScanSettings* m_live = nullptr;
    ScanSettings m_settings;

    // Index 1..N; found by index, never by address, so the vector may grow while no scan runs.
    std::vector<Slot> m_slots;
    bool m_running = false;
    bool m_lastEndWasError = false;
    int m_scanSockets = 0;
    int m_inFlight = 0;
    std::uint64_t m_handOuts = 0;
    Counters m_counters;
    // The request is made only when the judge changes.
    std::string m_requestJudge;
    std::string m_request;
    std::deque<Expansion> m_expanded;
    std::shared_ptr<const TlsContext> m_tls;
    std::string m_parsedText;
    std::optional<JudgeUrl> m_parsed;
    std::string m_parsedRequest; // the origin request for m_parsed
};

} // namespace qv
