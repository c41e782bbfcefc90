#pragma once

#include <QString>

#include "platform/gui/Color.h"
#include "platform/gui/DrawingSurface.h"

// Drawing helpers of the status bar. Colour arguments may be system-colour codes; each call
// resolves them itself.
namespace qv::PanelPainter {

// Nearest integer, ties to even.
int roundEven(double value);

// Widths and positions beyond this many pixels from 0 show nothing more; kept within it, sums of
// them cannot overflow.
constexpr int FarPixels = 1 << 24;
int clampFar(long long value);

struct RgbParts
{
    int red = 0;
    int green = 0;
    int blue = 0;
};

// The colour resolved to RGB with offset added to each component, each clamped to 0-255.
Rgb OffsetColor(OleColor colour, int offset, RgbParts* parts = nullptr);

// Fills the rectangle (or draws its one-pixel outline) in the resolved colour, and stores the
// resolved value back into colour.
void FillOrFrameRect(DrawingSurface& surface, const Rect& rect, OleColor& colour, bool fill);

// A solid line that leaves out its end point; a zero-length line of width 2 leaves a dot.
void DrawPenLine(DrawingSurface& surface, int x1, int y1, int x2, int y2, OleColor colour, int penWidth);

// Extent of the word-wrapped text laid out from rect's top-left within its width.
Rect MeasureText(const DrawingSurface& surface, const QString& text, const Rect& rect);

} // namespace qv::PanelPainter
