#include "engine/ScanEngine.h"

#include <algorithm>

#include "engine/HandshakeLayer.h"
#include "engine/JudgeProtocol.h"
#include "engine/ProxyUrl.h"
#include "engine/TlsLayer.h"
#include "protocols/FailureReason.h"
#include "protocols/HttpConnect.h"
#include "protocols/HttpMessage.h"
#include "protocols/Socks4Connect.h"
#include "protocols/Socks5Connect.h"

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
    case CheckResult::ProxyFailed:
        return "proxy failed";
    case CheckResult::OtherError:
        break;
    }
    return "error";
}

namespace {
// What a judge page shows after "REMOTE_ADDR = ", up to the end of the line or the mark-up.
std::string exitAddress(std::string_view answer)
{
    constexpr std::string_view kMarker = "REMOTE_ADDR = ";
    const std::size_t at = answer.find(kMarker);
    if (at == std::string_view::npos)
        return {};
    const std::string_view rest = answer.substr(at + kMarker.size());
    std::string address(rest.substr(0, std::min<std::size_t>(rest.find_first_of(" \t\r\n<\"&"), 64)));
    // Only what an address can hold reaches a result line.
    for (const char c : address) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '.' || c == ':'))
            return {};
    }
    return address;
}
} // namespace

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

std::string_view ScanEngine::request(const Exchange& exchange)
{
    const Slot& slot = m_slots[static_cast<std::size_t>(exchange.id())];
    if (!slot.request.empty())
        return slot.request;
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
    m_expanded.clear();
    m_tls = settings.tls;
    // Each name is asked once per scan, and afresh in the next.
    m_loop.forgetHostNames();
    m_scanSockets = std::max(settings.sockets, 0);
    if (static_cast<std::size_t>(m_scanSockets) >= m_slots.size())
        m_slots.resize(static_cast<std::size_t>(m_scanSockets) + 1);
    for (int i = 1; i <= m_scanSockets; ++i)
        ensureSlot(i).exchange->close();
    // With fewer entries than sockets the rest stay idle.
    for (int i = 1; i <= m_scanSockets && morePending(); ++i)
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
    for (const Slot* slot : abandoned) {
        if (!slot->expanded) {
            entries.push_back(slot->entry);
            continue;
        }
        ProxyUrl url = ProxyUrl::parse(slot->entry);
        url.protocol = slot->protocol;
        entries.push_back(url.writeWithScheme());
    }
    for (const Expansion& waiting : m_expanded) {
        ProxyUrl url = ProxyUrl::parse(waiting.entry);
        url.protocol = waiting.protocol;
        entries.push_back(url.writeWithScheme());
    }
    m_expanded.clear();
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
    for (int i = 1; i <= m_scanSockets && morePending(); ++i) {
        if (!m_slots[static_cast<std::size_t>(i)].inFlight)
            handOut(i);
    }
    maybeFinish();
}

// The next check: a further protocol of an entry already taken, else the head of the pending list.
// An entry without a scheme is checked with each protocol of the settings.
bool ScanEngine::takeNext(Slot& slot)
{
    if (!m_expanded.empty()) {
        slot.entry = std::move(m_expanded.front().entry);
        slot.protocol = m_expanded.front().protocol;
        slot.expanded = true;
        m_expanded.pop_front();
        return true;
    }
    if (!m_pending.takeFront(slot.entry))
        return false;
    slot.protocol = Protocol::Http;
    slot.expanded = false;
    const std::vector<Protocol>& protocols = m_settings.protocols;
    if (!ProxyUrl::hasScheme(slot.entry) && !protocols.empty() && (protocols.size() > 1 || protocols[0] != Protocol::Http)) {
        slot.protocol = protocols[0];
        slot.expanded = true;
        for (std::size_t k = protocols.size(); k-- > 1;)
            m_expanded.push_front({ slot.entry, protocols[k] });
    }
    return true;
}

// Takes entries until one connects; an unusable entry or a connect refused at once is a failed
// check and the socket goes straight on to the next entry.
void ScanEngine::handOut(int i)
{
    Slot& slot = ensureSlot(i);
    while (takeNext(slot)) {
        m_observer.entryTaken(m_pending.count());
        slot.handOutMs = m_loop.nowMs();
        ProxyUrl entry = ProxyUrl::parse(slot.entry);
        slot.ip = std::move(entry.host);
        slot.port = entry.port;
        if (!slot.expanded)
            slot.protocol = entry.protocol;
        slot.credentials = std::move(entry.credentials);
        if (!entry.usable()) {
            // An entry without a scheme is unusable once, not once per protocol.
            while (slot.expanded && !m_expanded.empty() && m_expanded.front().entry == slot.entry)
                m_expanded.pop_front();
            slot.portText.clear();
            m_lastEndWasError = false;
            report(CheckResult::UnusableEntry, slot);
            continue;
        }
        slot.portText = std::to_string(entry.port);
        // A plain HTTP entry is written as ip:port by whoever shows it; only others are made here.
        slot.proxy.clear();
        if (slot.protocol != Protocol::Http || slot.credentials || slot.ip.find(':') != std::string::npos)
            slot.proxy = ProxyUrl { slot.protocol, slot.ip, slot.port, slot.credentials }.write();
        if (const std::string_view why = prepare(slot); !why.empty()) {
            m_lastEndWasError = false;
            report(CheckResult::ProxyFailed, slot, {}, why);
            continue;
        }
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

const std::optional<JudgeUrl>& ScanEngine::parsedJudge(const std::string& url)
{
    if (url != m_parsedText || (!m_parsed && m_parsedText.empty())) {
        m_parsed = JudgeUrl::parse(url);
        m_parsedText = url;
        m_parsedRequest = m_parsed ? HttpMessage::originRequest(*m_parsed) : std::string();
    }
    return m_parsed;
}

std::string_view ScanEngine::prepare(Slot& slot)
{
    slot.request.clear();
    // Plain HTTP, the check every entry without a scheme has always been: no layers, the shared request.
    if (slot.protocol == Protocol::Http) {
        if (slot.layered) {
            slot.exchange->setLayers({});
            slot.layered = false;
        }
        if (slot.credentials)
            slot.request = HttpMessage::proxyRequest(m_live ? m_live->judge() : m_settings.judge, slot.credentials);
        return {};
    }
    const std::string& judge = m_live ? m_live->judge() : m_settings.judge;
    const bool https = slot.protocol == Protocol::Https;
    const std::string& text = https && !m_settings.httpsJudge.empty() ? m_settings.httpsJudge : judge;
    const std::optional<JudgeUrl>& url = parsedJudge(text);
    if (!url || (https && !url->secure))
        return https ? reason::kNoHttpsJudge : reason::kNoJudge;
    slot.request = m_parsedRequest;

    Destination destination = url->destination;
    const bool proxyResolves = slot.protocol == Protocol::Socks4a || slot.protocol == Protocol::Socks5h || https;
    if (!proxyResolves && !m_settings.judgeAddress.empty() && destination.kind() == Destination::Kind::Name)
        destination.host = m_settings.judgeAddress;
    if (slot.layered && slot.reusable && slot.layersProtocol == slot.protocol && slot.layersCredentials == slot.credentials
        && slot.layersDestination == destination)
        return {};
    std::vector<std::unique_ptr<Layer>> layers;
    switch (slot.protocol) {
    case Protocol::Https:
        layers.push_back(std::make_unique<HandshakeLayer>(std::make_unique<HttpConnect>(destination, slot.credentials)));
        break;
    case Protocol::Socks4:
    case Protocol::Socks4a:
        layers.push_back(std::make_unique<HandshakeLayer>(
            std::make_unique<Socks4Connect>(destination, slot.credentials ? slot.credentials->user : std::string())));
        break;
    default:
        layers.push_back(std::make_unique<HandshakeLayer>(std::make_unique<Socks5Connect>(destination, slot.credentials)));
        break;
    }
    if (url->secure) {
        if (!m_tls) {
            std::string error;
            m_tls = TlsContext::create({}, false, &error);
            if (!m_tls)
                return reason::kTlsError;
        }
        layers.push_back(std::make_unique<TlsLayer>(m_tls, url->destination.host));
    }
    slot.exchange->setLayers(std::move(layers));
    slot.layered = true;
    slot.reusable = !url->secure;
    slot.layersProtocol = slot.protocol;
    slot.layersCredentials = slot.credentials;
    slot.layersDestination = std::move(destination);
    return {};
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
    end.protocol = slot.protocol;
    if (!unusable)
        end.proxy = slot.proxy;
    if (result == CheckResult::Found)
        end.exit = slot.exit;
    m_observer.checkEnded(end);
}

void ScanEngine::exchangeEnded(Exchange& exchange, const ExchangeEnd& end)
{
    const int i = exchange.id();
    Slot& slot = m_slots[static_cast<std::size_t>(i)];
    CheckResult result = end.result;
    std::string_view reason = end.reason;
    if (result == CheckResult::Found) {
        slot.exit = exitAddress(exchange.answer());
    } else if (result == CheckResult::NoPassMarker && !end.failed) {
        // A proxy that wants a password answers 407 (some 401) instead of fetching the judge.
        if (const auto auth = HttpMessage::authFailure(exchange.answer(), slot.credentials.has_value())) {
            result = CheckResult::ProxyFailed;
            reason = *auth;
        }
    }
    closeSlot(i);
    m_lastEndWasError = end.failed;
    report(result, slot, end.level, reason);
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
    if (!m_running || m_inFlight != 0 || morePending())
        return;
    m_running = false;
    closeAllSlots();
    m_observer.scanEnded({ m_lastEndWasError });
}

} // namespace qv
