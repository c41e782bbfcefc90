#pragma once

#include <QPointer>
#include <QStringList>
#include <QTreeView>

#include "platform/ListView.h"
#include "platform/gui/ListViewModel.h"

namespace qv {

// ListView over a QTreeView used as a flat report view: column 0 holds the row's own text, column n
// sub-item n. The rows live in a ListViewModel that the view shows; both belong to the view's Qt
// parent and this adapter only drives them. Sorting is done by the model rather than by the view,
// so a header click sorts only when the window says so.
class TreeListView final : public ListView
{
public:
    // The header labels give the number of columns.
    TreeListView(QTreeView* tree, const QStringList& headerLabels);
    TreeListView(const TreeListView&) = delete;
    TreeListView& operator=(const TreeListView&) = delete;
    ~TreeListView() override = default;

    int rowCount() const override;
    void addRow(const std::string& text, const std::vector<std::string>& subItems) override;
    void removeRow(int row) override;
    void clear() override;
    std::string rowText(int row) const override;
    std::string subItem(int row, int n) const override;
    int selectedRow() const override;
    std::vector<int> selectedRows() const override;
    void setSelectedRow(int row) override;
    void setSortKey(int key) override;
    int sortKey() const override;
    void setSorted(bool sorted) override;
    bool isSorted() const override;

    QTreeView* widget() const { return m_tree; }
    ListViewModel* model() const { return m_model; }

private:
    QPointer<QTreeView> m_tree;
    QPointer<ListViewModel> m_model;
};

} // namespace qv
