#pragma once

#include <QEvent>
#include <QFont>
#include <QPointF>
#include <QWidget>

#include "controls/statusbar/PanelStatusBar.h"
#include "platform/gui/Picture.h"

namespace qv::test {

// Tahoma 8.25 pt from the installed clone when present, so text measures the same everywhere.
QFont barFont();

// A bar on a hidden window with the program's three NoAutoSize panels: MinWidth 185, 120, 120,
// captions "Status: Idle..", "Good: 0", "Loaded: 0" and tips "tip 1".."tip 3".
struct ThreePanelBar
{
    QWidget window;
    PanelStatusBar* bar = new PanelStatusBar(&window);
    explicit ThreePanelBar(int width = 500, int height = 18, int apperance = 0, bool captions = true);
};

// Sends a mouse event of type at pos (widget coordinates) to the widget.
void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::LeftButton);

// A bitmap filled with fill whose top-left pixel is magenta (the usual mask colour).
Picture maskedBitmap(int width, int height, QColor fill);

} // namespace qv::test
