#include "platform/gui/TreeListView.h"

#include <QHeaderView>
#include <algorithm>
#include <utility>

namespace qv {

namespace {
// Often enough to look live, rarely enough that layouts cost nothing next to the scan.
constexpr int kFlushIntervalMs = 50;

QString latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

TreeListView::TreeListView(QTreeWidget* tree)
    : m_tree(tree)
{
    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setAllColumnsShowFocus(true);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushIntervalMs);
    QObject::connect(&m_flushTimer, &QTimer::timeout, m_tree, [this] { flush(); });
}

TreeListView::~TreeListView()
{
    qDeleteAll(m_pending);
}

int TreeListView::rowCount() const
{
    return m_tree ? m_tree->topLevelItemCount() + static_cast<int>(m_pending.size()) : 0;
}

void TreeListView::flush() const
{
    m_flushTimer.stop();
    if (!m_tree || m_pending.isEmpty())
        return;
    const QList<QTreeWidgetItem*> items = std::exchange(m_pending, {});
    if (!m_sorted) {
        m_tree->addTopLevelItems(items);
        return;
    }
    for (QTreeWidgetItem* item : items)
        insertSorted(item);
}

bool TreeListView::less(const QTreeWidgetItem* a, const QTreeWidgetItem* b) const
{
    return QString::compare(a->text(m_sortKey), b->text(m_sortKey), Qt::CaseInsensitive) < 0;
}

void TreeListView::addRow(const std::string& text, const std::vector<std::string>& subItems)
{
    if (!m_tree)
        return;
    auto* item = new QTreeWidgetItem;
    item->setText(0, latin1(text));
    for (std::size_t i = 0; i < subItems.size(); ++i)
        item->setText(static_cast<int>(i + 1), latin1(subItems[i]));
    m_pending.append(item);
    if (!m_flushTimer.isActive()) {
        // Each hand-over lays out every row, so a long list is handed over less often.
        m_flushTimer.start(std::clamp(m_tree->topLevelItemCount() / 64, kFlushIntervalMs, 10 * kFlushIntervalMs));
    }
}

void TreeListView::insertSorted(QTreeWidgetItem* item) const
{
    // Binary search for the place after every equal row, so equal keys keep their order of arrival.
    int low = 0;
    int high = m_tree->topLevelItemCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (less(item, m_tree->topLevelItem(middle)))
            high = middle;
        else
            low = middle + 1;
    }
    m_tree->insertTopLevelItem(low, item);
}

void TreeListView::removeRow(int row)
{
    flush();
    if (!m_tree || row < 0 || row >= rowCount())
        return;
    delete m_tree->takeTopLevelItem(row);
}

void TreeListView::clear()
{
    flush();
    if (m_tree)
        m_tree->clear();
}

std::string TreeListView::rowText(int row) const
{
    return subItem(row, 0);
}

std::string TreeListView::subItem(int row, int n) const
{
    flush();
    if (!m_tree || row < 0 || row >= rowCount() || n < 0 || n >= m_tree->columnCount())
        return {};
    return m_tree->topLevelItem(row)->text(n).toLatin1().toStdString();
}

int TreeListView::selectedRow() const
{
    flush();
    if (!m_tree)
        return -1;
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (selected.isEmpty())
        return -1;
    return m_tree->indexOfTopLevelItem(selected.first());
}

void TreeListView::setSelectedRow(int row)
{
    flush();
    if (!m_tree)
        return;
    if (row < 0 || row >= rowCount()) {
        m_tree->clearSelection();
        return;
    }
    m_tree->setCurrentItem(m_tree->topLevelItem(row));
}

void TreeListView::setSortKey(int key)
{
    m_sortKey = std::max(0, key);
    if (m_sorted)
        sortNow();
}

void TreeListView::setSorted(bool sorted)
{
    m_sorted = sorted;
    if (m_sorted)
        sortNow();
}

void TreeListView::sortNow()
{
    flush();
    if (!m_tree)
        return;
    QTreeWidgetItem* current = m_tree->currentItem();
    QList<QTreeWidgetItem*> items;
    items.reserve(m_tree->topLevelItemCount());
    while (m_tree->topLevelItemCount() > 0)
        items.append(m_tree->takeTopLevelItem(m_tree->topLevelItemCount() - 1));
    std::reverse(items.begin(), items.end());
    std::stable_sort(items.begin(), items.end(),
        [this](const QTreeWidgetItem* a, const QTreeWidgetItem* b) { return less(a, b); });
    m_tree->addTopLevelItems(items);
    if (current)
        m_tree->setCurrentItem(current);
}

} // namespace qv
