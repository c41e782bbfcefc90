#include "platform/gui/TreeListView.h"

#include <QItemSelectionModel>

namespace qv {

TreeListView::TreeListView(QTreeView* tree, const QStringList& headerLabels)
    : m_tree(tree)
    , m_model(new ListViewModel(headerLabels, tree))
{
    m_tree->setModel(m_model);
    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
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
    const QModelIndexList rows = m_tree->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
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
