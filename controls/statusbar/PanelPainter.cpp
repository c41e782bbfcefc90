#include "controls/statusbar/PanelPainter.h"

#include <algorithm>
#include <cmath>

namespace qv::PanelPainter {

int roundEven(double value)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even unless changed.
    const double r = std::nearbyint(value);
    if (r >= 2147483647.0)
        return 2147483647;
    if (r <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(r);
}

int clampFar(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, -FarPixels, FarPixels));
}

Rgb OffsetColor(OleColor colour, int offset, RgbParts* parts)
{
    const Rgb resolved = translateColor(colour);
    const int red = std::clamp(redOf(resolved) + offset, 0, 255);
    const int green = std::clamp(greenOf(resolved) + offset, 0, 255);
    const int blue = std::clamp(blueOf(resolved) + offset, 0, 255);
    if (parts)
        *parts = { red, green, blue };
    return rgb(red, green, blue);
}

void FillOrFrameRect(DrawingSurface& surface, const Rect& rect, OleColor& colour, bool fill)
{
    colour = OffsetColor(colour, 0);
    if (fill)
        surface.fillRect(rect, colour);
    else
        surface.frameRect(rect, colour);
}

void DrawPenLine(DrawingSurface& surface, int x1, int y1, int x2, int y2, OleColor colour, int penWidth)
{
    const Rgb resolved = translateColor(colour);
    x1 = clampFar(x1);
    y1 = clampFar(y1);
    x2 = clampFar(x2);
    y2 = clampFar(y2);
    // Straight lines are most of what the bar draws; as a rectangle they cover the same pixels
    // (the pen's w pixels ending at the line, the end point left out) at a fraction of the cost.
    const int w = std::max(penWidth, 1);
    if (y1 == y2 && x1 != x2) {
        const int left = x1 < x2 ? x1 : x2 + 1;
        const int right = x1 < x2 ? x2 - 1 : x1;
        surface.fillRect({ left - w + 1, y1 - w + 1, right + 1, y1 + 1 }, resolved);
    } else if (x1 == x2 && y1 != y2) {
        const int top = y1 < y2 ? y1 : y2 + 1;
        const int bottom = y1 < y2 ? y2 - 1 : y1;
        surface.fillRect({ x1 - w + 1, top - w + 1, x1 + 1, bottom + 1 }, resolved);
    } else {
        surface.drawLine(x1, y1, x2, y2, resolved, penWidth);
    }
}

Rect MeasureText(const DrawingSurface& surface, const QString& text, const Rect& rect)
{
    return surface.measureText(text, rect, TextFormat::CalcRect | TextFormat::WordBreak);
}

} // namespace qv::PanelPainter
