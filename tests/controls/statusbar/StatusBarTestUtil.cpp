#include "StatusBarTestUtil.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace qv::test {

QFont barFont()
{
    static const bool loaded
        = [] { return QFontDatabase::addApplicationFont(u"/usr/share/wine/fonts/tahoma.ttf"_s) >= 0; }();
    QFont font(loaded ? u"Tahoma"_s : u"DejaVu Sans"_s);
    font.setPointSizeF(8.25);
    return font;
}

ThreePanelBar::ThreePanelBar(int width, int height, int apperance, bool captions)
{
    bar->setGeometry(0, 0, width, height);
    bar->setFont(barFont());
    bar->setApperance(apperance);
    const QString texts[] = { u"Status: Idle.."_s, u"Good: 0"_s, u"Loaded: 0"_s };
    const int widths[] = { 185, 120, 120 };
    for (int i = 0; i < 3; ++i) {
        bar->AddPanel(widths[i], captions ? texts[i] : QString(), u"tip %1"_s.arg(i + 1), true,
            AutoSizeMode::NoAutoSize);
        bar->setMinWidth(i + 1, widths[i]);
    }
}

void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButton button)
{
    const bool up = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button,
        up ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

Picture maskedBitmap(int width, int height, QColor fill)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixelColor(0, 0, QColor(255, 0, 255));
    return Picture(image, Picture::Type::Bitmap);
}

} // namespace qv::test
