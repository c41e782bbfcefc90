#pragma once

#include <string>
#include <vector>

namespace qv {

// A report-style list view: rows with their own text and sub-items 1..n, in display order.
// Texts are Latin-1 bytes.
class ListView {
public:
    virtual ~ListView() = default;

    virtual int rowCount() const = 0;
    // Appends a row; while sorting is on the row is placed by the sort key instead.
    virtual void addRow(const std::string& text, const std::vector<std::string>& subItems) = 0;
    virtual void removeRow(int row) = 0;
    virtual void clear() = 0;
    // The row's own text, or empty when out of range.
    virtual std::string rowText(int row) const = 0;
    // Sub-item n (1-based) of the row, or empty when out of range.
    virtual std::string subItem(int row, int n) const = 0;

    // -1 when no row is selected; of several, the current one when it is selected, else the first.
    virtual int selectedRow() const = 0;
    // Every selected row, in display order.
    virtual std::vector<int> selectedRows() const
    {
        const int row = selectedRow();
        return row < 0 ? std::vector<int>() : std::vector<int> { row };
    }
    virtual void setSelectedRow(int row) = 0;

    // key 0 sorts by the rows' own texts, n by sub-item n; rows compare as text, ascending.
    virtual void setSortKey(int key) = 0;
    virtual int sortKey() const = 0;
    virtual void setSorted(bool sorted) = 0;
    virtual bool isSorted() const = 0;
};

} // namespace qv
