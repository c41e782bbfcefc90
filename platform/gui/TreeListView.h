#pragma once

#include <QList>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include "platform/ListView.h"

namespace qv {

// ListView over a QTreeWidget used as a flat report view: column 0 holds the row's own text,
// column n sub-item n. The widget belongs to its Qt parent; this adapter only drives it.
// Sorting is done here rather than by the widget, so a header click sorts only when the window
// says so. Rows added in a burst (a scan finds many proxies a second) reach the widget together a
// moment later: the view lays out all its rows on every insert, so one insert per find would make
// a long scan quadratic. Every read sees the pending rows.
class TreeListView final : public ListView
{
public:
    explicit TreeListView(QTreeWidget* tree);
    TreeListView(const TreeListView&) = delete;
    TreeListView& operator=(const TreeListView&) = delete;
    ~TreeListView() override;

    int rowCount() const override;
    void addRow(const std::string& text, const std::vector<std::string>& subItems) override;
    void removeRow(int row) override;
    void clear() override;
    std::string rowText(int row) const override;
    std::string subItem(int row, int n) const override;
    int selectedRow() const override;
    void setSelectedRow(int row) override;
    void setSortKey(int key) override;
    int sortKey() const override { return m_sortKey; }
    void setSorted(bool sorted) override;
    bool isSorted() const override { return m_sorted; }

    QTreeWidget* widget() const { return m_tree; }

    // Hands pending rows to the widget now.
    void flush() const;

private:
    bool less(const QTreeWidgetItem* a, const QTreeWidgetItem* b) const;
    void insertSorted(QTreeWidgetItem* item) const;
    void sortNow();

    QPointer<QTreeWidget> m_tree;
    mutable QList<QTreeWidgetItem*> m_pending;
    mutable QTimer m_flushTimer;
    int m_sortKey = 0;
    bool m_sorted = false;
};

} // namespace qv
