#include "platform/gui/TreeListView.h"

#include <QItemSelectionModel>
#include <algorithm>

namespace qv {

TreeListView::TreeListView(QTreeView* tree, const QStringList& headerLabels)
    : m_tree(tree)
    , m_model(new ListViewModel(headerLabels, tree))
{
    m_tree->setModel(m_model);
    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(false);
    m_tree->setUniformRowHeights(true);
    // Shift and Ctrl with a click or the arrows select several rows, for copying.
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setAllColumnsShowFocus(true);
}

int TreeListView::rowCount() const
{
    return m_model ? m_model->rowCount() : 0;
}

void TreeListView::addRow(const std::string& text, const std::vector<std::string>& subItems)
{
    if (m_model)
        m_model->addRow(text, subItems);
}

void TreeListView::removeRow(int row)
{
    if (m_model)
        m_model->removeRow(row);
}

void TreeListView::clear()
{
    if (m_model)
        m_model->clear();
}

std::string TreeListView::rowText(int row) const
{
    return subItem(row, 0);
}

std::string TreeListView::subItem(int row, int n) const
{
    return m_model ? m_model->cell(row, n) : std::string();
}

int TreeListView::selectedRow() const
{
    if (!m_tree || !m_tree->selectionModel())
        return -1;
    const QItemSelectionModel* selection = m_tree->selectionModel();
    // The row a right press or the arrows reached, when several are selected.
    if (const QModelIndex current = selection->currentIndex();
        current.isValid() && selection->isRowSelected(current.row()))
        return current.row();
    const std::vector<int> rows = selectedRows();
    return rows.empty() ? -1 : rows.front();
}

std::vector<int> TreeListView::selectedRows() const
{
    std::vector<int> rows;
    if (!m_tree || !m_tree->selectionModel())
        return rows;
    for (const QModelIndex& index : m_tree->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TreeListView::setSelectedRow(int row)
{
    if (!m_tree || !m_model)
        return;
    if (row < 0 || row >= m_model->rowCount()) {
        m_tree->clearSelection();
        return;
    }
    m_tree->setCurrentIndex(m_model->index(row, 0));
}

void TreeListView::setSortKey(int key)
{
    if (m_model)
        m_model->setSortKey(key);
}

int TreeListView::sortKey() const
{
    return m_model ? m_model->sortKey() : 0;
}

void TreeListView::setSorted(bool sorted)
{
    if (m_model)
        m_model->setSorted(sorted);
}

bool TreeListView::isSorted() const
{
    return m_model && m_model->isSorted();
}

} // namespace qv
