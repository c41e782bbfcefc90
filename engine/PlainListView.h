#pragma once

#include <vector>

#include "platform/ListView.h"

namespace qv {

// A list view that is never shown: the found-proxy rows of a scan without a window.
class PlainListView final : public ListView {
public:
    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    void addRow(const std::string& text, const std::vector<std::string>& subItems) override;
    void removeRow(int row) override;
    void clear() override;
    std::string rowText(int row) const override;
    std::string subItem(int row, int n) const override;
    int selectedRow() const override { return m_selected; }
    void setSelectedRow(int row) override;
    void setSortKey(int key) override;
    int sortKey() const override { return m_sortKey; }
    void setSorted(bool sorted) override;
    bool isSorted() const override { return m_sorted; }

private:
    // Column 0 is the row's own text, then the sub-items.
    using Row = std::vector<std::string>;
    static const std::string& cell(const Row& row, int key);
    void sort();

    std::vector<Row> m_rows;
    int m_selected = -1;
    int m_sortKey = 0;
    bool m_sorted = false;
};

} // namespace qv
