#pragma once

#include "platform/ListView.h"

namespace qv {

// quorvane-check's found list as the engine sees it: each find is written out as it comes, so
// only their number is kept, and a million finds cost no memory.
class FoundCounter final : public ListView {
public:
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
    int m_rows = 0;
};

} // namespace qv
