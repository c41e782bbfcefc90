#pragma once

#include <QFont>
#include <QPainter>

#include "controls/button/ButtonRenderer.h"
#include "platform/gui/Picture.h"

namespace qv::test {

inline QFont pinnedFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8.25);
    return font;
}

// A renderer of the given style and size in the fixed grey scheme (face C0C0C0, shadow 808080), shown,
// colours derived.
inline void setUpRenderer(ButtonRenderer& renderer, int style, int width, int height, const QString& caption = {})
{
    ButtonSettings& s = renderer.settings();
    s.buttonType = style;
    s.colorScheme = 3;
    s.caption = caption;
    s.font = pinnedFont();
    renderer.setShown(true);
    renderer.setColors();
    renderer.calcPictureSize();
    renderer.setSize(width, height);
}

// A bitmap picture of the given pixels, row by row.
inline Picture bitmapOf(int width, int height, const std::vector<Rgb>& pixels)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixels[static_cast<std::size_t>(y * width + x)];
            image.setPixel(x, y, qRgb(redOf(c), greenOf(c), blueOf(c)));
        }
    return Picture(image, Picture::Type::Bitmap);
}

// A red disc with a dark rim on the default mask colour.
inline Picture samplePicture(int size = 16)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(0x40, 0x00, 0x00), 2));
    painter.setBrush(QColor(0xE0, 0x20, 0x20));
    painter.drawEllipse(QRect(2, 2, size - 4, size - 4));
    painter.end();
    return Picture(image, Picture::Type::Bitmap);
}

} // namespace qv::test
