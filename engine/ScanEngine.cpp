#include "engine/ScanEngine.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "engine/JudgeProtocol.h"
#include "engine/ListBoxQueue.h"
#include "engine/ProxyEntry.h"

namespace qv {

ScanEngine::ScanEngine(EventLoop& loop, ScanView& view, ListBox& pending, ListBox& found, ListView& foundView)
    : ScanEngine(loop, view, std::make_unique<ListBoxQueue>(pending), std::make_unique<ListBoxQueue>(found), foundView)
{
}

ScanEngine::ScanEngine(EventLoop& loop, ScanView& view, std::unique_ptr<EntryQueue> pending,
    std::unique_ptr<EntryQueue> found, ListView& foundView)
    : m_loop(loop)
    , m_view(view)
    , m_ownPending(std::move(pending))
    , m_ownFound(std::move(found))
    , m_pending(*m_ownPending)
    , m_found(*m_ownFound)
    , m_foundView(foundView)
    , m_slots(kMaxSockets + 1)
    , m_records(kMaxSockets + 1)
{
}

ScanEngine::ScanEngine(EventLoop& loop, ScanView& view, EntryQueue& pending, EntryQueue& found, ListView& foundView)
    : m_loop(loop)
    , m_view(view)
    , m_pending(pending)
    , m_found(found)
    , m_foundView(foundView)
    , m_slots(kMaxSockets + 1)
    , m_records(kMaxSockets + 1)
{
}

const char* ScanEngine::resultName(Result result)
{
    switch (result) {
    case Result::Found:
        return "found";
    case Result::Refused:
        return "refused";
    case Result::Reset:
        return "reset";
    case Result::TimedOut:
        return "timed out";
    case Result::NoPassMarker:
        return "no pass marker";
    case Result::UnusableEntry:
        return "unusable entry";
    case Result::NameNotFound:
        return "name not found";
    case Result::Unreachable:
        return "unreachable";
    case Result::OtherError:
        break;
    }
    return "error";
}

ScanEngine::~ScanEngine()
{
    // Closed sockets and stopped timers raise no events, so nothing reaches the records after this.
    for (Slot& slot : m_slots) {
        if (slot.socket)
            slot.socket->close();
        if (slot.timer)
            slot.timer->setEnabled(false);
    }
}

int ScanEngine::timeoutMs()
{
    const long long value = parseWholeNumber(m_view.timeoutText(), INT_MAX);
    if (value >= 1)
        m_timeoutMs = static_cast<int>(value);
    return m_timeoutMs;
}

ScanEngine::Slot& ScanEngine::ensureSlot(int i)
{
    Slot& slot = m_slots[static_cast<std::size_t>(i)];
    if (!slot.socket) {
        slot.socket = m_loop.createSocket();
        TcpSocketEvents events;
        events.connected = [this, i] { onConnected(i); };
        events.dataArrival = [this, i](std::size_t) { onData(i); };
        events.error = [this, i](int number, const std::string&) { onError(i, number); };
        events.peerClosed = [this, i] { onPeerClosed(i); };
        slot.socket->setEvents(std::move(events));
    }
    if (!slot.timer) {
        slot.timer = m_loop.createTimer();
        slot.timer->setOnTick([this, i] { onTick(i); });
    }
    return slot;
}

void ScanEngine::start()
{
    if (m_running)
        return;
    if (m_pending.count() == 0) {
        m_view.setPanelCaption(1, "Status: Please load some proxies!");
        return;
    }
    m_running = true;
    m_lastEndWasError = false;
    // Each name is asked once per scan, and afresh in the next.
    m_loop.forgetHostNames();
    m_scanSockets = std::clamp(m_view.sliderValue(), 0, m_socketLimit);
    if (static_cast<std::size_t>(m_scanSockets) >= m_slots.size()) {
        // Slots are found by index, never by address, so they may move while no scan runs.
        m_slots.resize(static_cast<std::size_t>(m_scanSockets) + 1);
        m_records.resize(m_slots.size());
    }
    for (int i = 1; i <= m_scanSockets; ++i)
        ensureSlot(i).socket->close();
    // With fewer entries than sockets the rest stay idle.
    for (int i = 1; i <= m_scanSockets && m_pending.count() > 0; ++i)
        handOut(i);
    m_view.setButtonEnabled(ScanView::kStartButton, false);
    m_view.setButtonEnabled(ScanView::kStopButton, true);
    m_view.setPanelCaption(1, "Status: Initiating..");
    // Every entry may have been unusable: then the scan is over already.
    maybeFinish();
}

void ScanEngine::stop()
{
    m_view.setButtonEnabled(ScanView::kStartButton, true);
    m_view.setButtonEnabled(ScanView::kStopButton, false);
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
    m_pending.putFront(entries);
    // Every socket, not only 1..slider: a lowered slider must not leave checks running.
    closeAllSlots();
    m_running = false;
    if (!abandoned.empty())
        writeLoaded();
    m_view.setPanelCaption(1, "Status: Stopping.");
    m_view.setPanelCaption(1, "Status: Stopping..");
}

void ScanEngine::shutdown()
{
    closeAllSlots();
    m_running = false;
}

void ScanEngine::sliderScroll()
{
    m_view.setSocketsCaption("Sockets [ " + std::to_string(m_view.sliderValue()) + " ]");
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

const std::string& ScanEngine::caption(std::string_view label, std::size_t number)
{
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return m_caption.assign(label).append(digits, static_cast<std::size_t>(end - digits));
}

void ScanEngine::writeLoaded()
{
    m_view.setPanelCaption(3, caption("Loaded: ", m_pending.count()));
}

void ScanEngine::restartTimer(int i)
{
    Timer& timer = *m_slots[static_cast<std::size_t>(i)].timer;
    timer.setInterval(timeoutMs());
    timer.setEnabled(false);
    timer.setEnabled(true);
}

// Takes entries from the head of the pending list until one connects; an unusable entry or a
// connect refused at once is a failed check and the socket goes straight on to the next entry.
void ScanEngine::handOut(int i)
{
    Slot& slot = ensureSlot(i);
    SocketRecord& record = m_records[static_cast<std::size_t>(i)];
    while (m_pending.takeFront(slot.entry)) {
        writeLoaded();
        slot.handOutMs = m_loop.nowMs();
        ProxyEntry entry = ProxyEntry::parse(slot.entry);
        record.proxyIp = std::move(entry.ip);
        record.proxyPort = entry.usable() ? std::to_string(entry.port) : std::string();
        record.reply.clear();
        if (!entry.usable()) {
            m_lastEndWasError = false;
            report(Result::UnusableEntry, slot, record);
            continue;
        }
        slot.socket->close();
        slot.socket->setRemoteHost(record.proxyIp);
        slot.socket->setRemotePort(entry.port);
        if (!slot.socket->connect()) {
            m_lastEndWasError = true;
            report(Result::OtherError, slot, record);
            continue;
        }
        slot.inFlight = true;
        slot.handOutNumber = ++m_handOuts;
        ++m_inFlight;
        restartTimer(i);
        return;
    }
    slot.socket->close();
    slot.timer->setEnabled(false);
}

void ScanEngine::onConnected(int i)
{
    Slot& slot = m_slots[static_cast<std::size_t>(i)];
    if (!slot.inFlight)
        return;
    const SocketRecord& record = m_records[static_cast<std::size_t>(i)];
    m_caption.assign("Status: Checking ").append(record.proxyIp).append(1, ':').append(record.proxyPort);
    m_view.setPanelCaption(1, m_caption);
    // The judge is read afresh for every request; its request text is made only when it changes.
    std::string judge = m_view.judgeText();
    if (judge != m_requestJudge || m_request.empty()) {
        m_request = JudgeProtocol::request(judge);
        m_requestJudge = std::move(judge);
    }
    const bool sent = slot.socket->sendData(m_request);
    if (!sent) {
        endCheck(i, Outcome::SocketError);
        return;
    }
    // The proxy gets a full interval from the send: a new interval restarts the running timer.
    slot.timer->setInterval(timeoutMs());
    slot.timer->setEnabled(true);
}

bool ScanEngine::gather(int i)
{
    Slot& slot = m_slots[static_cast<std::size_t>(i)];
    std::string& reply = m_records[static_cast<std::size_t>(i)].reply;
    std::string data = slot.socket->getData();
    if (reply.empty() && data.size() <= kAnswerCap) {
        reply = std::move(data); // most answers come in one piece: no copy
        return reply.size() >= kAnswerCap;
    }
    const std::size_t room = kAnswerCap - std::min(kAnswerCap, reply.size());
    reply.append(data, 0, std::min(room, data.size()));
    return reply.size() >= kAnswerCap;
}

void ScanEngine::onData(int i)
{
    if (!m_slots[static_cast<std::size_t>(i)].inFlight)
        return;
    // The timer is not restarted: a proxy that drips its answer still ends one interval after
    // the send.
    if (gather(i))
        endCheck(i, Outcome::Judged);
}

void ScanEngine::onPeerClosed(int i)
{
    if (!m_slots[static_cast<std::size_t>(i)].inFlight)
        return;
    gather(i);
    endCheck(i, Outcome::Judged);
}

void ScanEngine::onError(int i, int number)
{
    if (!m_slots[static_cast<std::size_t>(i)].inFlight)
        return;
    // Many servers close with part of the request unread, and their kernel then resets instead of
    // ending the stream: once the answer has begun, an error ends it the way a close does.
    gather(i);
    if (!m_records[static_cast<std::size_t>(i)].reply.empty()) {
        endCheck(i, Outcome::Judged);
        return;
    }
    Result why = Result::OtherError;
    switch (number) {
    case TcpSocket::ConnectionRefused:
        why = Result::Refused;
        break;
    case TcpSocket::ConnectionReset:
        why = Result::Reset;
        break;
    case TcpSocket::TimedOut:
        why = Result::TimedOut;
        break;
    case TcpSocket::HostNotFound:
        why = Result::NameNotFound;
        break;
    case TcpSocket::NetworkUnreachable:
        why = Result::Unreachable;
        break;
    default:
        break;
    }
    endCheck(i, Outcome::SocketError, why);
}

void ScanEngine::onTick(int i)
{
    Slot& slot = m_slots[static_cast<std::size_t>(i)];
    if (!slot.inFlight) {
        slot.timer->setEnabled(false);
        return;
    }
    // What has arrived by now is judged like a whole answer.
    gather(i);
    endCheck(i, Outcome::TimedOut);
}

void ScanEngine::report(Result result, const Slot& slot, const SocketRecord& record)
{
    if (!m_hooks.checkEnded)
        return;
    CheckEnd end;
    end.result = result;
    end.entry = slot.entry;
    end.ip = result == Result::UnusableEntry ? std::string_view(slot.entry) : std::string_view(record.proxyIp);
    end.port = result == Result::UnusableEntry ? 0 : slot.socket->remotePort();
    if (result == Result::Found)
        end.level = record.level;
    end.ms = m_loop.nowMs() - slot.handOutMs;
    m_hooks.checkEnded(end);
}

void ScanEngine::judge(int i, Result failure)
{
    SocketRecord& record = m_records[static_cast<std::size_t>(i)];
    const Slot& slot = m_slots[static_cast<std::size_t>(i)];
    std::optional<std::string> level = JudgeProtocol::judge(record.reply);
    if (!level) {
        report(failure, slot, record);
        return;
    }
    record.level = std::move(*level);
    m_foundView.addRow(std::string(), { record.proxyIp, record.proxyPort, record.level });
    m_view.setPanelCaption(2, caption("Found: ", static_cast<std::size_t>(m_foundView.rowCount())));
    m_view.setButtonEnabled(ScanView::kFoundButton, true);
    m_found.append(record.proxyIp + ":" + record.proxyPort);
    report(Result::Found, slot, record);
}

void ScanEngine::closeSlot(int i)
{
    Slot& slot = m_slots[static_cast<std::size_t>(i)];
    if (slot.socket)
        slot.socket->close();
    if (slot.timer)
        slot.timer->setEnabled(false);
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

void ScanEngine::endCheck(int i, Outcome outcome, Result failure)
{
    closeSlot(i);
    m_lastEndWasError = outcome == Outcome::SocketError;
    if (outcome == Outcome::Judged)
        judge(i, Result::NoPassMarker);
    else if (outcome == Outcome::TimedOut)
        judge(i, Result::TimedOut);
    else
        report(failure, m_slots[static_cast<std::size_t>(i)], m_records[static_cast<std::size_t>(i)]);
    if (!m_running)
        return;
    handOut(i);
    maybeFinish();
}

void ScanEngine::maybeFinish()
{
    if (m_running && m_inFlight == 0 && m_pending.count() == 0)
        finish();
}

void ScanEngine::finish()
{
    m_running = false;
    closeAllSlots();
    m_view.setButtonEnabled(ScanView::kStartButton, true);
    m_view.setButtonEnabled(ScanView::kStopButton, false);
    if (m_lastEndWasError) {
        m_view.setPanelCaption(1, "Status: Checking Completed.");
        m_view.setPanelCaption(2, "Good: " + std::to_string(m_foundView.rowCount()));
    } else {
        m_view.setPanelCaption(1, "Status: Scan Complete!");
        m_view.setPanelCaption(2, "Good: " + std::to_string(m_found.count()));
        writeLoaded();
    }
    if (m_hooks.scanEnded)
        m_hooks.scanEnded();
}

} // namespace qv
