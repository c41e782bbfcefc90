#include "engine/PlainListView.h"

#include <algorithm>

namespace qv {

const std::string& PlainListView::cell(const Row& row, int key)
{
    static const std::string empty;
    return key >= 0 && key < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(key)] : empty;
}

void PlainListView::addRow(const std::string& text, const std::vector<std::string>& subItems)
{
    Row row;
    row.reserve(subItems.size() + 1);
    row.push_back(text);
    row.insert(row.end(), subItems.begin(), subItems.end());
    if (!m_sorted) {
        m_rows.push_back(std::move(row));
        return;
    }
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), row,
        [key = m_sortKey](const Row& a, const Row& b) { return cell(a, key) < cell(b, key); });
    const int index = static_cast<int>(at - m_rows.begin());
    m_rows.insert(at, std::move(row));
    if (m_selected >= index)
        ++m_selected;
}

void PlainListView::removeRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    m_rows.erase(m_rows.begin() + row);
    if (m_selected == row)
        m_selected = -1;
    else if (m_selected > row)
        --m_selected;
}

void PlainListView::clear()
{
    m_rows.clear();
    m_selected = -1;
}

std::string PlainListView::rowText(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[static_cast<std::size_t>(row)][0] : std::string();
}

std::string PlainListView::subItem(int row, int n) const
{
    if (row < 0 || row >= rowCount() || n < 1)
        return {};
    return cell(m_rows[static_cast<std::size_t>(row)], n);
}

void PlainListView::setSelectedRow(int row)
{
    m_selected = row >= 0 && row < rowCount() ? row : -1;
}

void PlainListView::setSortKey(int key)
{
    m_sortKey = key;
    if (m_sorted)
        sort();
}

void PlainListView::setSorted(bool sorted)
{
    m_sorted = sorted;
    if (m_sorted)
        sort();
}

void PlainListView::sort()
{
    std::stable_sort(m_rows.begin(), m_rows.end(),
        [key = m_sortKey](const Row& a, const Row& b) { return cell(a, key) < cell(b, key); });
    m_selected = -1;
}

} // namespace qv
