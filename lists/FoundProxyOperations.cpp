#include "lists/FoundProxyOperations.h"

#include <unordered_set>
#include <vector>

#include "platform/CaseFold.h"
#include "lists/ListFiles.h"

namespace qv {

namespace {
constexpr int kIpColumn = 1;
constexpr int kPortColumn = 2;
constexpr int kTypeColumn = 4;

// A find with another protocol than plain HTTP is written with its scheme, as its entry was; the
// row's own text is that entry, credentials included, when the scan put it there.
std::string written(const ListView& view, int row)
{
    if (std::string entry = view.rowText(row); !entry.empty())
        return entry;
    const std::string type = view.subItem(row, kTypeColumn);
    const std::string address = view.subItem(row, kIpColumn) + ':' + view.subItem(row, kPortColumn);
    return type.empty() || type == "http" ? address : type + "://" + address;
}
} // namespace

FoundProxyOperations::FoundProxyOperations(ListBox& list1, ListBox& list2, ListView& view,
    Clipboard& clipboard, FileDialog& fileDialog, MessageBox& messageBox, FoundProxyHost& host)
    : m_list1(list1)
    , m_list2(list2)
    , m_view(view)
    , m_clipboard(clipboard)
    , m_fileDialog(fileDialog)
    , m_messageBox(messageBox)
    , m_host(host)
{
}

void FoundProxyOperations::buttonMenuClick(const std::string& key)
{
    if (key == "Clear")
        clearPending();
    else if (key == "export")
        exportFound();
    else if (key == "clear1")
        clearView();
    else if (key == "killdupes")
        killDuplicates();
}

void FoundProxyOperations::clearPending()
{
    m_list1.clear();
    // Otherwise the old count would stand over an empty list.
    m_host.setPanelCaption(kLoadedPanel, "Loaded: 0");
}

void FoundProxyOperations::exportFound()
{
    m_fileDialog.setFilter("Text File|*.txt|");
    if (!m_fileDialog.showSave())
        return;
    const std::string path = m_fileDialog.fileName();
    std::string error;
    if (!ListFiles::SaveListToFile(m_list2, path, &error)) {
        // The writer's description may already name the file; it is named once either way.
        std::string prompt = "Could not export the found proxies";
        if (error.find(path) == std::string::npos)
            prompt += " to \"" + path + "\"";
        if (!error.empty())
            prompt += ":\n" + error;
        m_messageBox.show(prompt, MessageBox::OkOnly | MessageBox::Critical, "Export");
    }
}

void FoundProxyOperations::clearView()
{
    m_view.clear();
}

void FoundProxyOperations::killDuplicates()
{
    removeDuplicateRows();
    ListFiles::RemoveDuplicates(m_list2);
}

void FoundProxyOperations::removeDuplicateRows()
{
    const int rows = m_view.rowCount();
    std::unordered_set<std::string> seen;
    seen.reserve(static_cast<std::size_t>(rows));
    std::vector<int> duplicates;
    for (int row = 0; row < rows; ++row) {
        const std::string ip = foldCaseLatin1(m_view.subItem(row, kIpColumn));
        // Length-prefixed so that no pair of texts can run into another; a proxy found with two
        // protocols is two finds.
        const std::string port = m_view.subItem(row, kPortColumn);
        const std::string key = std::to_string(ip.size()) + ':' + ip + std::to_string(port.size()) + ':' + foldCaseLatin1(port)
            + m_view.subItem(row, kTypeColumn);
        if (!seen.insert(key).second)
            duplicates.push_back(row);
    }
    // From the bottom up, so the remaining indexes stay valid.
    for (auto it = duplicates.rbegin(); it != duplicates.rend(); ++it)
        m_view.removeRow(*it);
}

void FoundProxyOperations::columnClick(int column)
{
    if (column < 1)
        return;
    m_view.setSortKey(column - 1);
    m_view.setSorted(true);
}

bool FoundProxyOperations::popupAllowed() const
{
    const int row = m_view.selectedRow();
    return row >= 0 && !m_view.subItem(row, kIpColumn).empty();
}

void FoundProxyOperations::mouseDown(int button, int /*shift*/, int /*x*/, int /*y*/)
{
    if (button == RightButton && popupAllowed())
        m_host.showPopupMenu();
}

void FoundProxyOperations::menuKey()
{
    if (popupAllowed())
        m_host.showPopupMenuAtSelection();
}

std::string FoundProxyOperations::proxyAt(int row) const
{
    return written(m_view, row);
}

std::string FoundProxyOperations::selectedProxy() const
{
    const int row = m_view.selectedRow();
    return row < 0 ? std::string() : proxyAt(row);
}

void FoundProxyOperations::copyProxy()
{
    const std::vector<int> rows = m_view.selectedRows();
    if (rows.empty())
        return;
    std::string text;
    for (int row : rows) {
        if (!text.empty())
            text += '\n';
        text += proxyAt(row);
    }
    m_clipboard.clear();
    m_clipboard.setText(text);
}

void FoundProxyOperations::list2Click()
{
    if (m_list2.selectedIndex() < 0)
        return;
    m_clipboard.setText(m_list2.text());
}

} // namespace qv
