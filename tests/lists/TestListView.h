#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ListView.h"

namespace qv::test {

// An in-memory report view: rows in display order, sorted ascending by text while sorting is on.
class TestListView final : public ListView {
public:
    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    void addRow(const std::string& text, const std::vector<std::string>& subItems) override
    {
        Row row{text, subItems};
        auto at = m_rows.end();
        if (m_sorted)
            at = std::upper_bound(m_rows.begin(), m_rows.end(), row,
                                  [this](const Row& a, const Row& b) { return keyOf(a) < keyOf(b); });
        m_rows.insert(at, std::move(row));
    }
    void removeRow(int row) override
    {
        if (row < 0 || row >= rowCount())
            return;
        m_rows.erase(m_rows.begin() + row);
        if (m_selected == row)
            m_selected = -1;
        else if (m_selected > row)
            --m_selected;
    }
    void clear() override
    {
        m_rows.clear();
        m_selected = -1;
    }
    std::string rowText(int row) const override { return inRange(row) ? m_rows[row].text : std::string(); }
    std::string subItem(int row, int n) const override
    {
        if (!inRange(row) || n < 1 || n > static_cast<int>(m_rows[row].subItems.size()))
            return {};
        return m_rows[row].subItems[static_cast<std::size_t>(n - 1)];
    }
    int selectedRow() const override { return m_selected; }
    void setSelectedRow(int row) override { m_selected = inRange(row) ? row : -1; }
    void setSortKey(int key) override
    {
        m_sortKey = key;
        resort();
    }
    int sortKey() const override { return m_sortKey; }
    void setSorted(bool sorted) override
    {
        m_sorted = sorted;
        resort();
    }
    bool isSorted() const override { return m_sorted; }

    // "ip:port" of every row, in display order.
    std::vector<std::string> proxies() const
    {
        std::vector<std::string> out;
        for (int r = 0; r < rowCount(); ++r)
            out.push_back(subItem(r, 1) + ':' + subItem(r, 2));
        return out;
    }

private:
    struct Row {
        std::string text;
        std::vector<std::string> subItems;
    };
    bool inRange(int row) const { return row >= 0 && row < rowCount(); }
    std::string keyOf(const Row& row) const
    {
        if (m_sortKey == 0)
            return row.text;
        const auto n = static_cast<std::size_t>(m_sortKey);
        return n <= row.subItems.size() ? row.subItems[n - 1] : std::string();
    }
    void resort()
    {
        if (m_sorted)
            std::stable_sort(m_rows.begin(), m_rows.end(),
                             [this](const Row& a, const Row& b) { return keyOf(a) < keyOf(b); });
    }

    std::vector<Row> m_rows;
    int m_selected = -1;
    int m_sortKey = 0;
    bool m_sorted = false;
};

} // namespace qv::test
