#pragma once

#include "engine/EntryQueue.h"
#include "engine/PackedQueue.h"
#include "platform/ListView.h"

namespace qv {

// quorvane-check's found list as the engine sees it: the rows of the window's found view and the
// entries of its export list in one. Each find is written out as it comes, so rows are only
// counted, and entries are kept (packed) only when --out will write them at the end.
class FoundList final : public ListView, public EntryQueue {
public:
    void keepEntries(bool keep) { m_keep = keep; }
    template <typename Visit>
    void forEach(Visit visit) const
    {
        m_entries.forEach(visit);
    }

    // EntryQueue
    std::size_t count() const override { return m_keep ? m_entries.count() : m_appended; }
    bool append(const std::string& text) override
    {
        ++m_appended;
        return !m_keep || m_entries.append(text);
    }
    bool takeFront(std::string& text) override { return m_entries.takeFront(text); }
    std::size_t putFront(const std::vector<std::string>& texts) override { return m_entries.putFront(texts); }

    // ListView
    int rowCount() const override { return m_rows; }
    void addRow(const std::string&, const std::vector<std::string>&) override { ++m_rows; }
    void removeRow(int row) override { m_rows -= row >= 0 && row < m_rows ? 1 : 0; }
    void clear() override { m_rows = 0; }
    std::string rowText(int) const override { return {}; }
    std::string subItem(int, int) const override { return {}; }
    int selectedRow() const override { return -1; }
    void setSelectedRow(int) override { }
    void setSortKey(int) override { }
    int sortKey() const override { return 0; }
    void setSorted(bool) override { }
    bool isSorted() const override { return false; }

private:
    PackedQueue m_entries;
    std::size_t m_appended = 0;
    bool m_keep = false;
    int m_rows = 0;
};

} // namespace qv
