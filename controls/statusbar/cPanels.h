#pragma once

#include <QString>
#include <cstdint>

#include "controls/statusbar/AutoSizeMode.h"
#include "platform/gui/Picture.h"

namespace qv {

// One panel of the status bar. A fresh record is empty, zero wide and disabled.
class cPanels {
public:
    QString PanelText;
    QString ToolTipTxt;
    std::int32_t ClientLeft = 0; // written by each drawing pass
    std::int32_t ClientTop = 0;
    std::int32_t ClientWidth = 0;
    std::int32_t ClientHeight = 0; // the bottom edge, not a height
    std::int32_t PanelTxtWidth = 0; // caption width when last set through PanelCaption
    std::int32_t MinWidth = 0;
    bool pEnabled = false;
    AutoSizeMode AutoSize = AutoSizeMode::NoAutoSize;
    Picture PanelPicture;

    const Picture& PanelIcon() const { return PanelPicture; }
    void setPanelIcon(const Picture& NewPanelPicture) { PanelPicture = NewPanelPicture; }
};

} // namespace qv
