#pragma once

#include <QCoreApplication>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QWidget>

#include "controls/statusbar/PanelStatusBar.h"
#include "platform/gui/Picture.h"

namespace qv::test {

// Tahoma 8.25 pt from the installed clone when present, so text measures the same everywhere.
inline QFont barFont()
{
    static const bool loaded
        = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")) >= 0;
    QFont font(loaded ? QStringLiteral("Tahoma") : QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8.25);
    return font;
}

// A bar on a hidden window with the program's three NoAutoSize panels: MinWidth 185, 120, 120,
// captions "Status: Idle..", "Good: 0", "Loaded: 0" and tips "tip 1".."tip 3".
struct ThreePanelBar
{
    QWidget window;
    PanelStatusBar* bar = new PanelStatusBar(&window);

    explicit ThreePanelBar(int width = 500, int height = 18, int apperance = 0, bool captions = true)
    {
        bar->setGeometry(0, 0, width, height);
        bar->setFont(barFont());
        bar->setApperance(apperance);
        const char* texts[] = { "Status: Idle..", "Good: 0", "Loaded: 0" };
        for (int i = 0; i < 3; ++i) {
            bar->AddPanel(i ? 120 : 185, captions ? QString::fromLatin1(texts[i]) : QString(),
                QStringLiteral("tip %1").arg(i + 1), true, AutoSizeMode::NoAutoSize);
            bar->setMinWidth(i + 1, i ? 120 : 185);
        }
    }
};

// Sends a mouse event of type at pos (widget coordinates) to the widget.
inline void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::LeftButton)
{
    const bool up = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button,
        up ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// A bitmap filled with fill whose top-left pixel is magenta (the usual mask colour).
inline Picture maskedBitmap(int width, int height, QColor fill)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixelColor(0, 0, QColor(255, 0, 255));
    return Picture(image, Picture::Type::Bitmap);
}

} // namespace qv::test
