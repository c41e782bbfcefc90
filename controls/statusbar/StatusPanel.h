#pragma once

#include <QString>
#include <cstdint>

#include "controls/statusbar/AutoSizeMode.h"
#include "platform/gui/Picture.h"

namespace qv {

// One panel of the status bar. A fresh record is empty, zero wide and disabled.
struct StatusPanel
{
    QString text;
    QString toolTip;
    std::int32_t left = 0; // written by each drawing pass
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t bottom = 0;
    std::int32_t captionWidth = 0; // when last set through PanelCaption
    std::int32_t minWidth = 0;
    bool enabled = false;
    AutoSizeMode autoSize = AutoSizeMode::NoAutoSize;
    Picture picture;
};

} // namespace qv
