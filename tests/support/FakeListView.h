#pragma once

#include <string>
#include <vector>

#include "platform/ListView.h"

namespace qv::test {

// The found view of a scan without a window: rows in the order added (the scan never sorts).
class FakeListView final : public ListView {
public:
    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    void addRow(const std::string& text, const std::vector<std::string>& subItems) override
    {
        m_rows.push_back(subItems);
        m_rows.back().insert(m_rows.back().begin(), text);
    }
    void removeRow(int row) override
    {
        if (row >= 0 && row < rowCount())
            m_rows.erase(m_rows.begin() + row);
    }
    void clear() override { m_rows.clear(); }
    std::string rowText(int row) const override { return subItem(row, 0); }
    std::string subItem(int row, int n) const override
    {
        const bool inside = row >= 0 && row < rowCount() && n >= 0 && n < static_cast<int>(m_rows[row].size());
        return inside ? m_rows[row][n] : std::string();
    }
    int selectedRow() const override { return -1; }
    void setSelectedRow(int) override { }
    void setSortKey(int key) override { m_sortKey = key; }
    int sortKey() const override { return m_sortKey; }
    void setSorted(bool) override { }
    bool isSorted() const override { return false; }

private:
    std::vector<std::vector<std::string>> m_rows;
    int m_sortKey = 0;
};

} // namespace qv::test
