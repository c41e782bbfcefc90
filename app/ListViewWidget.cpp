#include "app/ListViewWidget.h"

#include <QMouseEvent>
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

} // namespace qv
