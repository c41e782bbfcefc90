#include "StatusBarTestUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace qv::test {

QFont barFont()
{
    static const bool loaded = [] {
        return QFontDatabase::addApplicationFont(u"/usr/share/wine/fonts/tahoma.ttf"_s) >= 0;
    }();
    QFont font(loaded ? u"Tahoma"_s : u"DejaVu Sans"_s);
    font.setPointSizeF(8.25);
    return font;
}

void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButton button)
{
    const Qt::MouseButtons buttons
        = (type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button,
                      buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

Picture maskedBitmap(int width, int height, QColor fill)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixelColor(0, 0, QColor(255, 0, 255));
    return Picture(image, Picture::Type::Bitmap);
}

void saveForViewing(const QImage& image, const QString& name)
{
    QString dir = qEnvironmentVariable("QV_TEST_OUTPUT_DIR");
    if (dir.isEmpty())
        dir = QDir::tempPath() + u"/qv-test-output"_s;
    dir += u"/statusbar"_s;
    QDir().mkpath(dir);
    image.save(dir + u'/' + name + u".png"_s);
    image.scaled(image.size() * 4).save(dir + u'/' + name + u"-x4.png"_s);
}

void configureMainWindowBar(panelStatusBar& bar)
{
    bar.setFont(barFont());
    bar.setBackColor(rgb(230, 231, 235));
    bar.setApperance(1);
    const struct {
        const char16_t* text;
        int width;
    } panels[] = { { u"Status: Idle..", 185 }, { u"Good: 0", 120 }, { u"Loaded: 0", 120 } };
    for (const auto& p : panels) {
        const int i = bar.AddPanel(p.width, QString::fromUtf16(p.text), QString(), true, AutoSizeMode::NoAutoSize);
        bar.setMinWidth(i, p.width);
    }
}

} // namespace qv::test
