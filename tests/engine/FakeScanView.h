#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/ScanPresenter.h"
#include "app/ScanView.h"
#include "support/FakeListView.h"
#include "platform/MemoryListBox.h"

namespace qv::test {

// The window's controls as plain values, with a log of every panel write.
class FakeScanView final : public ScanView {
public:
    void setPanelCaption(int panel, const std::string& text) override { panels[panel] = text, log.emplace_back(panel, text); }
    bool isButtonEnabled(int index) const override { return !buttons.contains(index) || buttons.at(index); }
    void setButtonEnabled(int index, bool enabled) override { buttons[index] = enabled; }
    int sliderValue() const override { return slider; }
    std::string timeoutText() const override { return timeout; }
    std::string judgeText() const override { return judge; }
    void setSocketsCaption(const std::string& text) override { socketsCaption = text; }
    void showMessage(const std::string& text) override { messages.push_back(text); }

    std::string panel(int index) const { return panels.contains(index) ? panels.at(index) : std::string(); }
    long countOf(int panel, const std::string& text) const { return std::count(log.begin(), log.end(), std::make_pair(panel, text)); }
    bool running() const { return !isButtonEnabled(kStartButton) && isButtonEnabled(kStopButton); }
    bool idle() const { return isButtonEnabled(kStartButton) && !isButtonEnabled(kStopButton); }

    std::map<int, std::string> panels;
    std::vector<std::pair<int, std::string>> log;
    std::map<int, bool> buttons;
    int slider = 20;
    std::string timeout = "8000";
    std::string judge = "http://judge.example/azenv.php";
    std::string socketsCaption = "Sockets [ 20 ]";
    std::vector<std::string> messages;
};

// The window's scan with its lists and this view on a loop of the test's choice, counting what its
// hooks report.
template <typename Loop> struct ScanRig {
    ScanRig()
    {
        ScanPresenter::Hooks hooks;
        hooks.checkEnded = [this](const CheckEnd&) { ++checksEnded; };
        hooks.scanEnded = [this] { ++scanEnds, inFlightAtEnd = engine.checksInFlight(); };
        presenter.setHooks(std::move(hooks));
    }
    // The found rows as ip:port/level, in the order found, after the row's own text when it has one.
    std::vector<std::string> foundRows() const
    {
        std::vector<std::string> out;
        for (int r = 0; r < found.rowCount(); ++r) {
            const std::string text = found.rowText(r);
            out.push_back((text.empty() ? "" : text + " ") + found.subItem(r, 1) + ":" + found.subItem(r, 2) + "/" + found.subItem(r, 3));
        }
        return out;
    }

    Loop loop;
    FakeScanView view;
    MemoryListBox list1, list2;
    FakeListView found;
    ScanPresenter presenter { loop, view, list1, list2, found };
    ScanEngine& engine = presenter.engine();
    int scanEnds = 0, checksEnded = 0, inFlightAtEnd = -1;
};

} // namespace qv::test
