#include "app/ListViewWidget.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QTimerEvent>

namespace qv {

void ListViewWidget::rowsInserted(const QModelIndex& parent, int start, int end)
{
    // The tree's own handler would schedule a full layout for the next pass of the event loop.
    QAbstractItemView::rowsInserted(parent, start, end);
    if (!m_insertLayout.isActive())
        m_insertLayout.start(kInsertLayoutMs, this);
}

void ListViewWidget::layoutInserted() const
{
    if (m_insertLayout.isActive())
        const_cast<ListViewWidget*>(this)->doItemsLayout();
}

void ListViewWidget::doItemsLayout()
{
    // Every full layout takes in the rows inserted so far.
    m_insertLayout.stop();
    QTreeView::doItemsLayout();
}

void ListViewWidget::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_insertLayout.timerId()) {
        layoutInserted();
        return;
    }
    QTreeView::timerEvent(event);
}

QRect ListViewWidget::visualRect(const QModelIndex& index) const
{
    layoutInserted();
    return QTreeView::visualRect(index);
}

QModelIndex ListViewWidget::indexAt(const QPoint& point) const
{
    layoutInserted();
    return QTreeView::indexAt(point);
}

void ListViewWidget::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    layoutInserted();
    QTreeView::scrollTo(index, hint);
}

void ListViewWidget::keyboardSearch(const QString& search)
{
    layoutInserted();
    QTreeView::keyboardSearch(search);
}

QModelIndex ListViewWidget::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    layoutInserted();
    return QTreeView::moveCursor(cursorAction, modifiers);
}

bool ListViewWidget::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Resize:
        layoutInserted();
        break;
    default:
        break;
    }
    return QTreeView::viewportEvent(event);
}

void ListViewWidget::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = 1;
        break;
    case Qt::RightButton:
        button = 2;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int shift = (mods.testFlag(Qt::ShiftModifier) ? 1 : 0)
        | (mods.testFlag(Qt::ControlModifier) ? 2 : 0) | (mods.testFlag(Qt::AltModifier) ? 4 : 0);
    const QPoint at = viewport()->mapTo(this, event->position().toPoint());
    emit MouseDown(button, shift, at.x(), at.y());
}

void ListViewWidget::keyPressEvent(QKeyEvent* event)
{
    // The view's own copy takes the current cell alone, often the empty first column.
    if (event->matches(QKeySequence::Copy)) {
        event->accept();
        emit copyKey();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Menu && mods == 0)
        || (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        event->accept();
        emit menuKey();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ListViewWidget::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse's popup comes with the press (see MouseDown); a menu key the platform turns into a
    // context menu request arrives here.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        event->accept();
        emit menuKey();
        return;
    }
    QTreeView::contextMenuEvent(event);
}

void ListViewWidget::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    // An empty list has no row to carry the focus frame, so it goes round the inside; the style
    // decides, as for a row, whether the focus came by keyboard and is shown.
    if (!hasFocus() || !model() || model()->rowCount() > 0)
        return;
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = viewport()->rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = palette().color(QPalette::Base);
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void ListViewWidget::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    // Tabbed into, the view shows where it is: the first row becomes current (not selected) when
    // none is, so the focus frame has a row to go round.
    if (event->reason() != Qt::MouseFocusReason && !currentIndex().isValid() && model()
        && model()->rowCount() > 0 && selectionModel())
        selectionModel()->setCurrentIndex(model()->index(0, 1), QItemSelectionModel::NoUpdate);
}

} // namespace qv
