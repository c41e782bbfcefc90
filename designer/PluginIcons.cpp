#include "designer/PluginIcons.h"

#include <QPainter>
#include <QPixmap>

namespace qv::PluginIcons {

namespace {

constexpr int Size = 22;
const QColor Face(0xD4, 0xD0, 0xC8);
const QColor Shadow(0x80, 0x80, 0x80);
const QColor Light(0xFF, 0xFF, 0xFF);
const QColor Dark(0x40, 0x40, 0x40);

QPixmap blank()
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QIcon statusBar()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    // A band with three sunken panels and the gripper's dots.
    p.fillRect(0, 12, Size, 9, Face);
    p.setPen(Dark);
    p.drawRect(0, 11, Size - 1, 10);
    const int lefts[] = { 2, 9, 14 };
    const int widths[] = { 6, 4, 3 };
    for (int i = 0; i < 3; ++i) {
        p.setPen(Shadow);
        p.drawLine(lefts[i], 13, lefts[i] + widths[i], 13);
        p.drawLine(lefts[i], 13, lefts[i], 19);
        p.setPen(Light);
        p.drawLine(lefts[i] + 1, 19, lefts[i] + widths[i], 19);
        p.drawLine(lefts[i] + widths[i], 14, lefts[i] + widths[i], 19);
    }
    p.setPen(Shadow);
    p.drawPoint(20, 17);
    p.drawPoint(19, 19);
    p.drawPoint(20, 19);
    // A window above the bar.
    p.setPen(Dark);
    p.drawRect(0, 1, Size - 1, 9);
    p.fillRect(1, 2, Size - 2, 2, QColor(0x0A, 0x24, 0x6A));
    return QIcon(pixmap);
}

QIcon StyleButton()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    // A bevelled face with a gradient and a caption bar.
    QLinearGradient gradient(0, 4, 0, 18);
    gradient.setColorAt(0, Light);
    gradient.setColorAt(1, Face.darker(115));
    p.fillRect(2, 4, 18, 14, gradient);
    p.setPen(Light);
    p.drawLine(1, 3, 20, 3);
    p.drawLine(1, 3, 1, 18);
    p.setPen(Dark);
    p.drawLine(1, 18, 20, 18);
    p.drawLine(20, 3, 20, 18);
    p.setPen(Shadow);
    p.drawLine(2, 17, 19, 17);
    p.drawLine(19, 4, 19, 17);
    p.fillRect(6, 10, 10, 2, Dark);
    return QIcon(pixmap);
}

} // namespace qv::PluginIcons
