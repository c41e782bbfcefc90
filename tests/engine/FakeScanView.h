#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/ScanView.h"

namespace qv::test {

// The window's controls as plain values, with a log of every panel write.
class FakeScanView final : public ScanView {
public:
    void setPanelCaption(int panel, const std::string& text) override
    {
        panels[panel] = text;
        log.emplace_back(panel, text);
    }
    bool isButtonEnabled(int index) const override
    {
        auto it = buttons.find(index);
        return it == buttons.end() || it->second;
    }
    void setButtonEnabled(int index, bool enabled) override { buttons[index] = enabled; }
    int sliderValue() const override { return slider; }
    std::string timeoutText() const override { return timeout; }
    std::string judgeText() const override { return judge; }
    void setSocketsCaption(const std::string& text) override { socketsCaption = text; }

    std::string panel(int index) const
    {
        auto it = panels.find(index);
        return it == panels.end() ? std::string() : it->second;
    }
    int countOf(int panelIndex, const std::string& text) const
    {
        int n = 0;
        for (const auto& [p, t] : log)
            n += p == panelIndex && t == text;
        return n;
    }
    bool running() const { return !isButtonEnabled(kStartButton) && isButtonEnabled(kStopButton); }
    bool idle() const { return isButtonEnabled(kStartButton) && !isButtonEnabled(kStopButton); }

    std::map<int, std::string> panels;
    std::vector<std::pair<int, std::string>> log;
    std::map<int, bool> buttons;
    int slider = 20;
    std::string timeout = "8000";
    std::string judge = "http://judge.example/azenv.php";
    std::string socketsCaption = "Sockets [ 20 ]";
};

} // namespace qv::test
