#include "platform/gui/ListViewModel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

namespace qv {

namespace {
using Offset = std::uint32_t;
} // namespace

ListViewModel::ListViewModel(const QStringList& headerLabels, QObject* parent)
    : QAbstractTableModel(parent)
    , m_headerLabels(headerLabels)
{
}

ListViewModel::~ListViewModel() = default;

int ListViewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ListViewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headerLabels.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)
        || (index.column() == 0 && !m_rowTextShown))
        return {};
    return QString(cellView(m_rows[static_cast<std::size_t>(index.row())], index.column()));
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_headerLabels.size())
        return {};
    return m_headerLabels[section];
}

Qt::ItemFlags ListViewModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

ListViewModel::Row ListViewModel::makeRow(const std::string& text, const std::vector<std::string>& subItems) const
{
    const int columns = columnCount();
    const auto cellText = [&](int column) -> const std::string* {
        if (column == 0)
            return &text;
        const auto n = static_cast<std::size_t>(column - 1);
        return n < subItems.size() ? &subItems[n] : nullptr;
    };
    const std::size_t header = static_cast<std::size_t>(columns) * sizeof(Offset);
    std::size_t bytes = 0;
    for (int c = 0; c < columns; ++c) {
        if (const std::string* s = cellText(c))
            bytes += s->size();
    }
    Row row(new char[header + bytes]);
    Offset end = 0;
    for (int c = 0; c < columns; ++c) {
        if (const std::string* s = cellText(c)) {
            std::memcpy(row.get() + header + end, s->data(), s->size());
            end += static_cast<Offset>(s->size());
        }
        std::memcpy(row.get() + static_cast<std::size_t>(c) * sizeof(Offset), &end, sizeof end);
    }
    return row;
}

QLatin1StringView ListViewModel::cellView(const Row& row, int column) const
{
    Offset begin = 0;
    Offset end = 0;
    if (column > 0)
        std::memcpy(&begin, row.get() + static_cast<std::size_t>(column - 1) * sizeof(Offset), sizeof begin);
    std::memcpy(&end, row.get() + static_cast<std::size_t>(column) * sizeof(Offset), sizeof end);
    const char* text = row.get() + static_cast<std::size_t>(columnCount()) * sizeof(Offset);
    return QLatin1StringView(text + begin, static_cast<qsizetype>(end - begin));
}

bool ListViewModel::less(const Row& a, const Row& b) const
{
    if (m_sortKey >= columnCount())
        return false;
    return cellView(a, m_sortKey).compare(cellView(b, m_sortKey), Qt::CaseInsensitive) < 0;
}

int ListViewModel::addRow(const std::string& text, const std::vector<std::string>& subItems)
{
    Row row = makeRow(text, subItems);
    auto at = m_rows.end();
    if (m_sorted)
        at = std::upper_bound(m_rows.begin(), m_rows.end(), row, [this](const Row& a, const Row& b) { return less(a, b); });
    const int position = static_cast<int>(at - m_rows.begin());
    beginInsertRows({}, position, position);
    m_rows.insert(at, std::move(row));
    endInsertRows();
    return position;
}

void ListViewModel::removeRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void ListViewModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

std::string ListViewModel::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    const QLatin1StringView text = cellView(m_rows[static_cast<std::size_t>(row)], column);
    return std::string(text.data(), static_cast<std::size_t>(text.size()));
}

void ListViewModel::setSortKey(int key)
{
    m_sortKey = std::max(0, key);
    if (m_sorted)
        sortNow();
}

void ListViewModel::setSorted(bool sorted)
{
    m_sorted = sorted;
    if (m_sorted)
        sortNow();
}

void ListViewModel::sortNow()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [this](int a, int b) { return less(m_rows[static_cast<std::size_t>(a)], m_rows[static_cast<std::size_t>(b)]); });
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRow(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newRow[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(m_rows[static_cast<std::size_t>(order[i])]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(index.isValid() ? this->index(newRow[static_cast<std::size_t>(index.row())], index.column()) : index);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace qv
