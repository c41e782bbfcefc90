#include "engine/ScanEngine.h"

#include <algorithm>

#include "engine/JudgeProtocol.h"
#include "engine/ProxyEntry.h"

namespace qv {

const char* checkResultName(CheckResult result)
{
    switch (result) {
    case CheckResult::Found:
        return "found";
    case CheckResult::Refused:
        return "refused";
    case CheckResult::Reset:
        return "reset";
    case CheckResult::TimedOut:
        return "timed out";
    case CheckResult::NoPassMarker:
        return "no pass marker";
    case CheckResult::Closed:
        return "closed without answering";
    case CheckResult::UnusableEntry:
        return "unusable entry";
    case CheckResult::NameNotFound:
        return "name not found";
    case CheckResult::Unreachable:
        return "unreachable";
    case CheckResult::OtherError:
        break;
    }
    return "error";
}

ScanEngine::ScanEngine(EventLoop& loop, EntryQueue& pending, ScanObserver& observer)
    : m_loop(loop)
    , m_pending(pending)
    , m_observer(observer)
    , m_slots(1)
{
}

ScanEngine::~ScanEngine() = default;

const std::string& ScanEngine::answer(int socket) const
{
    static const std::string none;
    const auto i = static_cast<std::size_t>(socket);
    return i < m_slots.size() && m_slots[i].exchange ? m_slots[i].exchange->answer() : none;
}

int ScanEngine::timeoutMs()
{
    return m_live ? m_live->timeoutMs() : m_settings.timeoutMs;
}

std::string_view ScanEngine::request()
{
    // The judge is read afresh for every request; its request text is made only when it changes.
    const std::string& judge = m_live ? m_live->judge() : m_settings.judge;
    if (judge != m_requestJudge || m_request.empty()) {
        m_request = JudgeProtocol::request(judge);
        m_requestJudge = judge;
    }
    return m_request;
}

ScanEngine::Slot& ScanEngine::ensureSlot(int i)
{
    Slot& slot = m_slots[static_cast<std::size_t>(i)];
    if (!slot.exchange)
        slot.exchange = std::make_unique<Exchange>(m_loop, static_cast<ExchangeClient&>(*this), i);
    return slot;
}

bool ScanEngine::start(const ScanSettings& settings, LiveScanSettings* live)
{
    if (m_running || m_pending.count() == 0)
        return false;
    m_settings = settings;
    m_live = live;
    m_running = true;
    m_lastEndWasError = false;
    m_counters = {};
    // Each name is asked once per scan, and afresh in the next.
    m_loop.forgetHostNames();
    m_scanSockets = std::max(settings.sockets, 0);
    if (static_cast<std::size_t>(m_scanSockets) >= m_slots.size())
        m_slots.resize(static_cast<std::size_t>(m_scanSockets) + 1);
    for (int i = 1; i <= m_scanSockets; ++i)
        ensureSlot(i).exchange->close();
    // With fewer entries than sockets the rest stay idle.
    for (int i = 1; i <= m_scanSockets && m_pending.count() > 0; ++i)
        handOut(i);
    m_observer.scanStarted();
    // Every entry may have been unusable: then the scan is over already.
    maybeFinish();
    return true;
}

ScanEngine::StopResult ScanEngine::stop()
{
    // Checks cut short go back to the head of the list, in the order they were handed out, so a
    // later Start checks them instead of losing them.
    std::vector<const Slot*> abandoned;
    for (std::size_t i = 1; i < m_slots.size(); ++i) {
        if (m_slots[i].inFlight)
            abandoned.push_back(&m_slots[i]);
    }
    std::sort(abandoned.begin(), abandoned.end(),
        [](const Slot* a, const Slot* b) { return a->handOutNumber < b->handOutNumber; });
    std::vector<std::string> entries;
    for (const Slot* slot : abandoned)
        entries.push_back(slot->entry);
    StopResult result;
    result.putBack = m_pending.putFront(entries);
    result.notPutBack.assign(entries.begin() + static_cast<std::ptrdiff_t>(std::min(result.putBack, entries.size())),
        entries.end());
    // Every socket, not only those of this scan's count.
    closeAllSlots();
    m_running = false;
    return result;
}

void ScanEngine::shutdown()
{
    closeAllSlots();
    m_running = false;
}

void ScanEngine::wakeIdleSockets()
{
    if (!m_running)
        return;
    for (int i = 1; i <= m_scanSockets && m_pending.count() > 0; ++i) {
        if (!m_slots[static_cast<std::size_t>(i)].inFlight)
            handOut(i);
    }
    maybeFinish();
}

// Takes entries from the head of the pending list until one connects; an unusable entry or a
// connect refused at once is a failed check and the socket goes straight on to the next entry.
void ScanEngine::handOut(int i)
{
    Slot& slot = ensureSlot(i);
    while (m_pending.takeFront(slot.entry)) {
        m_observer.entryTaken(m_pending.count());
        slot.handOutMs = m_loop.nowMs();
        ProxyEntry entry = ProxyEntry::parse(slot.entry);
        if (!entry.usable()) {
            slot.ip = std::move(entry.ip);
            slot.port = 0;
            slot.portText.clear();
            m_lastEndWasError = false;
            report(CheckResult::UnusableEntry, slot);
            continue;
        }
        if (m_stackBuilder)
            m_stackBuilder(entry, *slot.exchange);
        slot.ip = std::move(entry.ip);
        slot.port = entry.port;
        slot.portText = std::to_string(entry.port);
        if (!slot.exchange->begin(slot.ip, entry.port)) {
            m_lastEndWasError = true;
            report(CheckResult::OtherError, slot);
            continue;
        }
        slot.inFlight = true;
        slot.handOutNumber = ++m_handOuts;
        ++m_inFlight;
        return;
    }
    slot.exchange->close();
}

void ScanEngine::exchangeConnected(Exchange& exchange)
{
    const Slot& slot = m_slots[static_cast<std::size_t>(exchange.id())];
    m_observer.checkConnected(slot.ip, slot.portText);
}

void ScanEngine::report(CheckResult result, const Slot& slot, std::string_view level, std::string_view reason)
{
    ++m_counters.checked;
    if (result == CheckResult::Found)
        ++m_counters.found;
    CheckEnd end;
    end.result = result;
    end.entry = slot.entry;
    const bool unusable = result == CheckResult::UnusableEntry;
    end.ip = unusable ? std::string_view(slot.entry) : std::string_view(slot.ip);
    end.portText = unusable ? std::string_view() : std::string_view(slot.portText);
    end.port = unusable ? 0 : slot.port;
    end.level = level;
    if (result == CheckResult::Found)
        end.answer = slot.exchange->answer();
    end.reason = reason;
    end.ms = m_loop.nowMs() - slot.handOutMs;
    m_observer.checkEnded(end);
}

void ScanEngine::exchangeEnded(Exchange& exchange, const ExchangeEnd& end)
{
    const int i = exchange.id();
    closeSlot(i);
    m_lastEndWasError = end.failed;
    report(end.result, m_slots[static_cast<std::size_t>(i)], end.level, end.reason);
    if (!m_running)
        return;
    handOut(i);
    maybeFinish();
}

void ScanEngine::closeSlot(int i)
{
    Slot& slot = m_slots[static_cast<std::size_t>(i)];
    if (slot.exchange)
        slot.exchange->close();
    if (slot.inFlight) {
        slot.inFlight = false;
        --m_inFlight;
    }
}

void ScanEngine::closeAllSlots()
{
    for (std::size_t i = 1; i < m_slots.size(); ++i)
        closeSlot(static_cast<int>(i));
}

void ScanEngine::maybeFinish()
{
    if (!m_running || m_inFlight != 0 || m_pending.count() != 0)
        return;
    m_running = false;
    closeAllSlots();
    m_observer.scanEnded({ m_lastEndWasError });
}

} // namespace qv
