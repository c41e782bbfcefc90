#include "app/ScanPresenter.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <utility>

#include "engine/ProxyEntry.h"

namespace qv {

ScanPresenter::ScanPresenter(EventLoop& loop, ScanView& view, ListBox& pending, ListBox& found, ListView& foundView)
    : m_view(view)
    , m_foundList(found)
    , m_foundView(foundView)
    , m_pending(pending)
    , m_engine(loop, m_pending, *this)
{
}

int ScanPresenter::timeoutMs()
{
    const long long value = parseWholeNumber(m_view.timeoutText(), INT_MAX);
    if (value >= 1)
        m_timeoutMs = static_cast<int>(value);
    return m_timeoutMs;
}

const std::string& ScanPresenter::judge()
{
    m_judge = m_view.judgeText();
    return m_judge;
}

const std::string& ScanPresenter::caption(std::string_view label, std::size_t number)
{
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return m_caption.assign(label).append(digits, static_cast<std::size_t>(end - digits));
}

void ScanPresenter::start()
{
    if (m_engine.isRunning())
        return;
    if (m_pending.count() == 0) {
        m_view.setPanelCaption(1, "Status: Please load some proxies!");
        return;
    }
    m_fullReported = false;
    ScanSettings settings;
    settings.sockets = std::clamp(m_view.sliderValue(), 0, kMaxSockets);
    settings.timeoutMs = m_timeoutMs;
    settings.httpsJudge = m_view.httpsJudge();
    m_engine.start(settings, this);
}

void ScanPresenter::stop()
{
    m_view.setButtonEnabled(ScanView::kStartButton, true);
    m_view.setButtonEnabled(ScanView::kStopButton, false);
    const ScanEngine::StopResult stopped = m_engine.stop();
    if (stopped.putBack > 0 || !stopped.notPutBack.empty())
        m_view.setPanelCaption(3, caption("Loaded: ", m_pending.count()));
    m_view.setPanelCaption(1, "Status: Stopping.");
    m_view.setPanelCaption(1, "Status: Stopping..");
    if (!stopped.notPutBack.empty()) {
        std::string text = "The proxy list is full: " + std::to_string(stopped.notPutBack.size())
            + " proxies whose checks Stop cut short could not go back to it:";
        for (const std::string& entry : stopped.notPutBack)
            text += "\n" + entry;
        m_view.showMessage(text);
    }
}

void ScanPresenter::sliderScroll()
{
    m_view.setSocketsCaption("Sockets [ " + std::to_string(m_view.sliderValue()) + " ]");
}

void ScanPresenter::entryTaken(std::size_t pending)
{
    m_view.setPanelCaption(3, caption("Loaded: ", pending));
}

void ScanPresenter::checkConnected(std::string_view ip, std::string_view portText)
{
    m_caption.assign("Status: Checking ").append(ip).append(1, ':').append(portText);
    m_view.setPanelCaption(1, m_caption);
}

void ScanPresenter::checkEnded(const CheckEnd& end)
{
    if (end.passed())
        found(end);
    if (m_hooks.checkEnded)
        m_hooks.checkEnded(end);
}

// A find goes to the export list and the view together, or, when they are full, to neither: then
// the status names it and a message says so once per scan.
void ScanPresenter::found(const CheckEnd& end)
{
    // A find is exported as its entry names it: plain HTTP as ip:port, any other with its scheme.
    if (end.proxy.empty())
        m_entry.assign(end.ip).append(1, ':').append(end.portText);
    else
        m_entry.assign(end.proxy);
    if (m_foundView.rowCount() >= ListBox::kMaxEntries || !m_foundList.addItem(m_entry)) {
        m_view.setPanelCaption(1, "Status: Found list full: " + m_entry);
        if (!std::exchange(m_fullReported, true))
            m_view.showMessage("The found list is full (" + std::to_string(ListBox::kMaxEntries)
                + " proxies). Proxies found from now on are neither listed nor exported; the status bar names "
                  "each one. Export the list, then Kill Duplicates or restart the program to make room.");
        return;
    }
    // The row's own (never shown) text is the entry with its scheme and credentials: what copying
    // and the desktop proxy need of it. Plain HTTP rows keep an empty one.
    m_foundView.addRow(std::string(end.proxy),
        { std::string(end.ip), std::string(end.portText), std::string(end.level), std::string(protocolName(end.protocol)) });
    m_view.setPanelCaption(2, caption("Found: ", static_cast<std::size_t>(m_foundView.rowCount())));
    m_view.setButtonEnabled(ScanView::kFoundButton, true);
}

void ScanPresenter::scanStarted()
{
    m_view.setButtonEnabled(ScanView::kStartButton, false);
    m_view.setButtonEnabled(ScanView::kStopButton, true);
    m_view.setPanelCaption(1, "Status: Initiating..");
}

void ScanPresenter::scanEnded(const ScanEnd& end)
{
    m_view.setButtonEnabled(ScanView::kStartButton, true);
    m_view.setButtonEnabled(ScanView::kStopButton, false);
    // The window has always counted the view's rows after an end on a socket error, and the
    // export list otherwise.
    if (end.lastEndedOnError) {
        m_view.setPanelCaption(1, "Status: Checking Completed.");
        m_view.setPanelCaption(2, "Good: " + std::to_string(m_foundView.rowCount()));
    } else {
        m_view.setPanelCaption(1, "Status: Scan Complete!");
        m_view.setPanelCaption(2, "Good: " + std::to_string(m_foundList.count()));
        m_view.setPanelCaption(3, caption("Loaded: ", m_pending.count()));
    }
    if (m_hooks.scanEnded)
        m_hooks.scanEnded();
}

} // namespace qv
