#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// The rows of a report-style list view as a flat table of Latin-1 texts. Each row is one heap block
// (its cells' end offsets, then their bytes), so a row costs a pointer in the table and a few dozen
// bytes, and inserting or removing one moves pointers only. Sorting is stable and compares as text
// without regard to letter case; while sorting is on, new rows go after the equal rows already there.
class ListViewModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListViewModel)

public:
    explicit ListViewModel(const QStringList& headerLabels, QObject* parent = nullptr);
    ~ListViewModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Cells past the column count are dropped; missing ones are empty. Returns the row it went to.
    int addRow(const std::string& text, const std::vector<std::string>& subItems);
    void removeRow(int row);
    void clear();
    // Empty when the row or column is out of range.
    std::string cell(int row, int column) const;
    // Off: column 0 is kept for cell() but data() gives nothing for it, so neither the view, a screen
    // reader nor a keyboard search ever sees it (it may hold a password).
    void setRowTextShown(bool shown) { m_rowTextShown = shown; }

    // A negative key sorts by column 0. Turning sorting on, or changing the key while it is on,
    // sorts the rows at once; the view's selection and current row follow their rows.
    void setSortKey(int key);
    int sortKey() const { return m_sortKey; }
    void setSorted(bool sorted);
    bool isSorted() const { return m_sorted; }

private:
    using Row = std::unique_ptr<char[]>;

    Row makeRow(const std::string& text, const std::vector<std::string>& subItems) const;
    QLatin1StringView cellView(const Row& row, int column) const;
    bool less(const Row& a, const Row& b) const;
    void sortNow();

    QStringList m_headerLabels;
    std::vector<Row> m_rows;
    int m_sortKey = 0;
    bool m_sorted = false;
    bool m_rowTextShown = true;
};

} // namespace qv
