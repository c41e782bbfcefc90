#pragma once

#include <string>

namespace qv {

// What the found-proxy operations need from the main window besides its lists.
class FoundProxyHost
{
public:
    virtual ~FoundProxyHost() = default;
    // panel is 1-based, as the status bar numbers its panels.
    virtual void setPanelCaption(int panel, const std::string& text) = 0;
    // Shows the found-proxy popup menu at the pointer.
    virtual void showPopupMenu() = 0;
    // Shows it at the selected row, for the keyboard.
    virtual void showPopupMenuAtSelection() { showPopupMenu(); }
};

} // namespace qv
