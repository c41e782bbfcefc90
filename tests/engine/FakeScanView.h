#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/ScanView.h"

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
};

} // namespace qv::test
