#pragma once

#include "engine/EntryQueue.h"
#include "platform/ListBox.h"

namespace qv {

// A list box seen as an entry queue: the window's lists, with their limit of ListBox::kMaxEntries.
class ListBoxQueue final : public EntryQueue {
public:
    explicit ListBoxQueue(ListBox& list)
        : m_list(list)
    {
    }

    std::size_t count() const override { return static_cast<std::size_t>(m_list.count()); }
    bool append(const std::string& text) override { return m_list.addItem(text); }
    bool takeFront(std::string& text) override;
    std::size_t putFront(const std::vector<std::string>& texts) override;

private:
    ListBox& m_list;
};

} // namespace qv
