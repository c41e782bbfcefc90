#pragma once

#include <QEvent>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QWidget>

#include "controls/statusbar/PanelStatusBar.h"
#include "platform/gui/Picture.h"

namespace qv::test {

// Tahoma 8.25 pt from the installed clone when present, so text measures the same everywhere.
QFont barFont();

// Sends a mouse event of type at pos (widget coordinates) to the widget.
void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::LeftButton);

// A bitmap filled with fill whose top-left pixel is magenta (the usual mask colour).
Picture maskedBitmap(int width, int height, QColor fill);

// Writes the image, and a copy scaled up four times, under $QV_TEST_OUTPUT_DIR/statusbar/.
void saveForViewing(const QImage& image, const QString& name);

} // namespace qv::test
