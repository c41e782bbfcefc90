#pragma once

#include <string>

namespace qv {

// The main window's controls as the scan's front end uses them: the status panels, the toolbar's
// enabled states, the socket slider, the timeout box, the judge chooser, the slider's label and a
// message box. Texts are Latin-1 bytes. Panel writes happen often during a scan; an
// implementation should store the text and leave repainting to its own pace.
class ScanView {
public:
    // Toolbar buttons by 1-based index.
    static constexpr int kStartButton = 1;
    static constexpr int kStopButton = 2;
    static constexpr int kFoundButton = 6;

    virtual ~ScanView() = default;

    // 1-based panel index: 1 status, 2 found count, 3 pending count.
    virtual void setPanelCaption(int panel, const std::string& text) = 0;
    virtual bool isButtonEnabled(int index) const = 0;
    virtual void setButtonEnabled(int index, bool enabled) = 0;
    virtual int sliderValue() const = 0;
    virtual std::string timeoutText() const = 0;
    virtual std::string judgeText() const = 0;
    // The label beside the slider.
    virtual void setSocketsCaption(const std::string& text) = 0;
    // A message for the user, shown without holding up the caller (the scan goes on).
    virtual void showMessage(const std::string& text) = 0;
};

} // namespace qv
