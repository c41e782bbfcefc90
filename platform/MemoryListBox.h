#pragma once

#include <deque>

#include "platform/ListBox.h"

namespace qv {

// A list box that is never shown: a plain container, so removing the head is O(1).
class MemoryListBox final : public ListBox {
public:
    int count() const override { return static_cast<int>(m_items.size()); }
    bool addItem(const std::string& text) override;
    void removeItem(int index) override;
    void clear() override;
    std::string item(int index) const override;
    int selectedIndex() const override { return m_selected; }
    void setSelectedIndex(int index) override;
    int selectByText(const std::string& text) override;

private:
    std::deque<std::string> m_items;
    int m_selected = -1;
};

// Equality of two Latin-1 texts without regard to letter case.
bool equalsIgnoringCase(const std::string& a, const std::string& b);

} // namespace qv
