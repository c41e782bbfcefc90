#pragma once

#include <QBasicTimer>
#include <QTreeView>

namespace qv {

// The found-proxy view's widget. Reports a mouse press after the view has handled it, so a
// right press has already selected the row under the pointer.
//
// The tree view lays out all its rows again after every batch of inserted rows, and repaints;
// during a scan rows arrive between almost every two passes of the event loop. Here rows inserted
// are laid out and shown together at most every kInsertLayoutMs instead. The model is never behind:
// only the picture is, and anything that needs the rows' places (a click, a key, a scroll, a
// geometry query) lays them out first.
class ListViewWidget final : public QTreeView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListViewWidget)

public:
    static constexpr int kInsertLayoutMs = 100;

    explicit ListViewWidget(QWidget* parent = nullptr)
        : QTreeView(parent)
    {
    }

    void doItemsLayout() override;
    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void keyboardSearch(const QString& search) override;

signals:
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y: pixels in the view.
    void MouseDown(int button, int shift, int x, int y);
    // Ctrl+C (the desktop's copy key).
    void copyKey();
    // The Menu key or Shift+F10: the popup menu by keyboard.
    void menuKey();

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    bool viewportEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Lays out rows inserted since the last layout, now.
    void layoutInserted() const;

    mutable QBasicTimer m_insertLayout;
};

} // namespace qv
