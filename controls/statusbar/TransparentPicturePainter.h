#pragma once

#include <QImage>
#include <QtGlobal>

#include "platform/gui/Color.h"
#include "platform/gui/DrawingSurface.h"
#include "platform/gui/Picture.h"

namespace qv {

// Copies pictures onto a drawing surface with one colour transparent.
class TransparentPicturePainter final
{
public:
    TransparentPicturePainter() = default;
    Q_DISABLE_COPY_MOVE(TransparentPicturePainter)

    // Bitmaps are drawn with clrMask transparent; icons and other pictures with their own alpha.
    // A null picture draws nothing.
    void PaintTransparentPicture(DrawingSurface& dest, const Picture& picSource, int xDest, int yDest,
        int Width, int Height, int xSrc, int ySrc, OleColor clrMask) const;

    // Copies the Width x Height area at (xSrc, ySrc) of source to (xDest, yDest); source pixels of
    // the mask colour leave the destination as it was. Source pixels outside the image count as
    // masked.
    void PaintTransparentDC(DrawingSurface& dest, int xDest, int yDest, int Width, int Height,
        const QImage& source, int xSrc, int ySrc, OleColor clrMask) const;

private:
    void paintBlended(DrawingSurface& dest, int xDest, int yDest, int Width, int Height, const QImage& source,
        int xSrc, int ySrc) const;
};

} // namespace qv
