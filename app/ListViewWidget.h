#pragma once

#include <QTreeWidget>

namespace qv {

// The found-proxy view's widget. Reports a mouse press after the view has handled it, so a
// right press has already selected the row under the pointer.
class ListViewWidget final : public QTreeWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListViewWidget)

public:
    explicit ListViewWidget(QWidget* parent = nullptr)
        : QTreeWidget(parent)
    {
    }

signals:
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y: pixels in the view.
    void MouseDown(int button, int shift, int x, int y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace qv
