#include "controls/statusbar/TransparentPicturePainter.h"

#include <QPainter>
#include <algorithm>

#include "platform/gui/ImageSurface.h"

namespace qv {

void TransparentPicturePainter::PaintTransparentPicture(DrawingSurface& dest, const Picture& picSource,
    int xDest, int yDest, int Width, int Height, int xSrc, int ySrc, OleColor clrMask) const
{
    if (picSource.isNull())
        return;
    if (picSource.type() == Picture::Type::Bitmap)
        PaintTransparentDC(dest, xDest, yDest, Width, Height, picSource.image(), xSrc, ySrc, clrMask);
    else
        paintBlended(dest, xDest, yDest, Width, Height, picSource.image(), xSrc, ySrc);
}

void TransparentPicturePainter::PaintTransparentDC(DrawingSurface& dest, int xDest, int yDest, int Width,
    int Height, const QImage& source, int xSrc, int ySrc, OleColor clrMask) const
{
    if (Width <= 0 || Height <= 0)
        return;
    const Rgb mask = translateColor(clrMask);

    // The background: what the destination shows now.
    ImageSurface background(Width, Height);
    background.blit(0, 0, Width, Height, dest.image(), xDest, yDest);

    // The picture area; whatever lies outside the source stays in the mask colour.
    ImageSurface image(Width, Height);
    image.setBackground(mask);
    image.clear();
    const QImage opaque = source.convertToFormat(QImage::Format_RGB32);
    const int left = std::max(0, -xSrc);
    const int top = std::max(0, -ySrc);
    const int right = std::min(Width, opaque.width() - xSrc);
    const int bottom = std::min(Height, opaque.height() - ySrc);
    if (right > left && bottom > top)
        image.blit(left, top, right - left, bottom - top, opaque, xSrc + left, ySrc + top);

    // White where the picture shows the mask colour.
    const QImage maskBits = image.maskFromColor(mask);
    image.blit(0, 0, Width, Height, maskBits, 0, 0, DrawingSurface::RasterOp::DestAndNotSource);
    background.blit(0, 0, Width, Height, maskBits, 0, 0, DrawingSurface::RasterOp::And);
    background.blit(0, 0, Width, Height, image.image(), 0, 0, DrawingSurface::RasterOp::Or);
    dest.blit(xDest, yDest, Width, Height, background.image(), 0, 0);
}

void TransparentPicturePainter::paintBlended(DrawingSurface& dest, int xDest, int yDest, int Width,
    int Height, const QImage& source, int xSrc, int ySrc) const
{
    if (Width <= 0 || Height <= 0)
        return;
    QImage canvas(Width, Height, QImage::Format_RGB32);
    {
        const Rect area { xDest, yDest, xDest + Width, yDest + Height };
        const std::vector<Rgb> pixels = dest.readPixels(area);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                canvas.setPixelColor(x, y, toQColor(pixels[static_cast<size_t>(y * Width + x)]));
    }
    {
        QPainter painter(&canvas);
        painter.drawImage(QPoint(0, 0), source, QRect(xSrc, ySrc, Width, Height));
    }
    std::vector<Rgb> pixels(static_cast<size_t>(Width) * static_cast<size_t>(Height));
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            pixels[static_cast<size_t>(y * Width + x)] = fromQColor(canvas.pixelColor(x, y));
    dest.writePixels(Rect { xDest, yDest, xDest + Width, yDest + Height }, pixels);
}

} // namespace qv
