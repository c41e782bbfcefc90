#include "app/ProxyLoader.h"

#include "engine/ScanEngine.h"
#include "platform/TextFile.h"

namespace qv {

ProxyLoader::ProxyLoader(EventLoop& loop, ScanView& view, ListBox& pending, ScanEngine& engine)
    : m_loop(loop)
    , m_view(view)
    , m_pending(pending)
    , m_engine(engine)
{
}

void ProxyLoader::loadProxies(FileDialog& dialog)
{
    if (m_loading)
        return;
    dialog.setFilter("Text Files|*.txt|All Files|*.*");
    if (!dialog.showOpen() || dialog.fileName().empty())
        return;
    loadFile(dialog.fileName());
}

void ProxyLoader::finishLoad()
{
    m_pending.setSelectedIndex(0);
    // While a scan runs Start stays disabled: a second Start would abandon its checks.
    if (!m_engine.isRunning())
        m_view.setButtonEnabled(ScanView::kStartButton, true);
    m_engine.wakeIdleSockets();
}

ProxyLoader::Result ProxyLoader::loadFile(const std::string& path)
{
    if (m_loading || m_cancelled)
        return Result::Busy;
    m_error.clear();
    TextFileReader file;
    if (!file.open(path)) {
        m_error = file.errorString();
        m_view.setPanelCaption(1, "Status: " + m_error);
        return Result::Failed;
    }
    m_loading = true;
    Result result = Result::Loaded;
    std::string line;
    int sinceYield = 0;
    while (file.readLine(line)) {
        if (++sinceYield >= kYieldEvery) {
            sinceYield = 0;
            m_loop.yield();
            if (m_cancelled)
                break;
            // Entries loaded so far can go to sockets that ran out of work.
            m_engine.wakeIdleSockets();
        }
        m_pending.addItem(line);
        m_view.setPanelCaption(3, "Loaded: " + std::to_string(m_pending.count()));
        if (m_pending.count() >= kLimit) {
            m_view.setPanelCaption(1, "Status: Limit 32k Reached.");
            result = Result::LimitReached;
            break;
        }
    }
    if (result == Result::Loaded && file.failed()) {
        m_error = file.errorString();
        m_view.setPanelCaption(1, "Status: " + m_error);
        result = Result::Failed;
    }
    file.close();
    m_loading = false;
    if (!m_cancelled)
        finishLoad();
    return result;
}

} // namespace qv
