#pragma once

#include <string>

#include "lists/FoundProxyHost.h"
#include "platform/Clipboard.h"
#include "platform/FileDialog.h"
#include "platform/ListBox.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"

namespace qv {

// The user's operations on the pending list (List1), the found-proxy list (List2) and the
// found-proxy view: the toolbar drop-down entries, sorting, the popup menu and copying.
class FoundProxyOperations final
{
public:
    // Mouse buttons as the view reports them.
    enum MouseButton { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

    static constexpr int kLoadedPanel = 3;

    FoundProxyOperations(ListBox& list1, ListBox& list2, ListView& view, Clipboard& clipboard,
        FileDialog& fileDialog, MessageBox& messageBox, FoundProxyHost& host);
    FoundProxyOperations(const FoundProxyOperations&) = delete;
    FoundProxyOperations& operator=(const FoundProxyOperations&) = delete;

    // A drop-down entry was chosen; keys compare exactly, unknown keys do nothing.
    void buttonMenuClick(const std::string& key);
    // column is the clicked header's 1-based position.
    void columnClick(int column);
    void mouseDown(int button, int shift, int x, int y);
    // The popup menu asked for by keyboard: shown at the selected row.
    void menuKey();
    // Copy Proxy: the selected rows as their finds are written (IP:port, or the entry with its
    // scheme and credentials), one a line.
    void copyProxy();
    void list2Click();

    void clearPending();
    void exportFound();
    void clearView();
    void killDuplicates();

    // IP, ":" and port of the selected row, or empty when no row is selected.
    std::string selectedProxy() const;

private:
    void removeDuplicateRows();
    // The popup menu is for a selected row that holds a proxy.
    bool popupAllowed() const;
    std::string proxyAt(int row) const;

    ListBox& m_list1;
    ListBox& m_list2;
    ListView& m_view;
    Clipboard& m_clipboard;
    FileDialog& m_fileDialog;
    MessageBox& m_messageBox;
    FoundProxyHost& m_host;
};

} // namespace qv
