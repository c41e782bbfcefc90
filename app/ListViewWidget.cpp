#include "app/ListViewWidget.h"

#include <QMouseEvent>

namespace qv {

void ListViewWidget::mousePressEvent(QMouseEvent* event)
{
    QTreeWidget::mousePressEvent(event);
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
    const int shift = (mods.testFlag(Qt::ShiftModifier) ? 1 : 0) | (mods.testFlag(Qt::ControlModifier) ? 2 : 0)
        | (mods.testFlag(Qt::AltModifier) ? 4 : 0);
    const QPoint at = viewport()->mapTo(this, event->position().toPoint());
    emit MouseDown(button, shift, at.x(), at.y());
}

} // namespace qv
