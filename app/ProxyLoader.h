#pragma once

#include <string>

#include "app/ScanView.h"
#include "platform/EventLoop.h"
#include "platform/FileDialog.h"
#include "platform/ListBox.h"

namespace qv {

class ScanEngine;

// Load Proxies: appends the lines of a proxy file to the pending list, unchanged, up to 32000
// entries. Yields to the event loop every kYieldEvery lines so the window stays responsive and a
// running scan goes on taking entries while the file loads.
class ProxyLoader final {
public:
    static constexpr int kLimit = 32000;
    static constexpr int kYieldEvery = 64;

    enum class Result { Loaded, LimitReached, Failed, Busy };

    ProxyLoader(EventLoop& loop, ScanView& view, ListBox& pending, ScanEngine& engine);
    ProxyLoader(const ProxyLoader&) = delete;
    ProxyLoader& operator=(const ProxyLoader&) = delete;

    // The toolbar command: asks the dialog for a file, then loads it. A cancelled dialog loads
    // nothing.
    void loadProxies(FileDialog& dialog);

    // Loads one file. On a file that cannot be opened or read, panel 1 shows "Status: " and the
    // error's description (errorString() keeps it); entries already added stay.
    Result loadFile(const std::string& path);
    std::string errorString() const { return m_error; }
    bool isLoading() const { return m_loading; }
    // The program ends: a load in progress stops at its next yield.
    void cancel() { m_cancelled = true; }

private:
    void finishLoad();

    EventLoop& m_loop;
    ScanView& m_view;
    ListBox& m_pending;
    ScanEngine& m_engine;
    std::string m_error;
    bool m_loading = false;
    bool m_cancelled = false;
};

} // namespace qv
