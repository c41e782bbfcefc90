#include "controls/button/HandCursor.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>

namespace qv {

QImage HandCursor::image()
{
    static const QImage hand = [] {
        QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        // Index finger up, three folded fingers, thumb to the left.
        const QPolygon outline({ { 6, 2 }, { 7, 1 }, { 8, 1 }, { 9, 2 }, { 9, 9 }, { 10, 8 }, { 11, 8 },
            { 12, 9 }, { 12, 10 }, { 13, 9 }, { 14, 9 }, { 15, 10 }, { 15, 11 }, { 16, 10 }, { 17, 11 },
            { 18, 12 }, { 18, 18 }, { 16, 22 }, { 16, 24 }, { 7, 24 }, { 7, 22 }, { 3, 17 }, { 2, 15 },
            { 2, 14 }, { 3, 13 }, { 4, 13 }, { 6, 15 }, { 6, 2 } });
        QPainter painter(&img);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawPolygon(outline);
        painter.drawLine(12, 10, 12, 14);
        painter.drawLine(15, 11, 15, 14);
        return img;
    }();
    return hand;
}

QCursor HandCursor::cursor()
{
    return QCursor(QPixmap::fromImage(image()), hotSpot().x(), hotSpot().y());
}

} // namespace qv
