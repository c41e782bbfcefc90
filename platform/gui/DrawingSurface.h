#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <climits>
#include <memory>
#include <vector>

#include "platform/gui/Color.h"

namespace qv {

// A rectangle as left, top, right, bottom; right and bottom are outside it.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    // Saturated at the limits of int.
    int width() const { return span(left, right); }
    int height() const { return span(top, bottom); }
    bool contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    Rect translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    bool operator==(const Rect&) const = default;

private:
    static int span(int from, int to)
    {
        const long long d = static_cast<long long>(to) - from;
        return d > INT_MAX ? INT_MAX : d < INT_MIN ? INT_MIN : static_cast<int>(d);
    }
};

// Text format flags, with the values of the classic text routine.
namespace TextFormat {
enum : int {
    Left = 0x0, Top = 0x0, Center = 0x1, Right = 0x2, VCenter = 0x4, Bottom = 0x8,
    WordBreak = 0x10, SingleLine = 0x20, NoClip = 0x100, CalcRect = 0x400, NoPrefix = 0x800,
    WordEllipsis = 0x40000,
};
}

// A persistent image the controls draw on, with the pixel rules they rely on:
// - rectangles leave out their right and bottom edges; a frame is a one-pixel outline inside;
// - lines leave out their end point; a pen of width w covers, across the line, the w pixels
//   ending at the line's own coordinate (width 2 at y covers rows y - 1 and y), and a zero-length
//   line of width 2 or more leaves a w x w dot ending at the point;
// - text: "&" underlines the next character and "&&" shows one "&" unless NoPrefix is given.
// Everything is clipped to the surface. Colours are resolved RGB (0x00BBGGRR).
class DrawingSurface {
public:
    enum class RasterOp { Copy, And, Or, DestAndNotSource };

    virtual ~DrawingSurface() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    // New size; the contents are cleared to the background colour.
    virtual void resize(int width, int height) = 0;

    virtual void setBackground(Rgb colour) = 0;
    virtual Rgb background() const = 0;
    // Fills everything with the background colour.
    virtual void clear() = 0;

    virtual void fillRect(const Rect& rect, Rgb colour) = 0;
    virtual void frameRect(const Rect& rect, Rgb colour) = 0;
    virtual void drawLine(int x1, int y1, int x2, int y2, Rgb colour, int penWidth = 1) = 0;
    virtual void setPixel(int x, int y, Rgb colour) = 0;
    virtual Rgb pixel(int x, int y) const = 0;
    // Ellipse inscribed in the box, filled, with a 2-pixel outline.
    virtual void drawEllipse(const Rect& box, Rgb border, Rgb fill) = 0;
    // Dotted focus rectangle, drawn by XOR so a second call removes it: on the outline, pixels
    // with x + y even are inverted and the others are XORed with textColour (black leaves them).
    virtual void drawFocusRect(const Rect& rect, Rgb textColour = 0) = 0;

    virtual void setFont(const QFont& font) = 0;
    virtual QFont font() const = 0;
    // Width of a single line of text as drawn (prefix characters counted as drawn, with NoPrefix
    // semantics off only when asked).
    virtual int textWidth(const QString& text, int flags = TextFormat::NoPrefix) const = 0;
    // The extent of the text laid out in rect with flags (WordBreak wraps at rect's width): same
    // left and top, right and bottom moved to the text's extent.
    virtual Rect measureText(const QString& text, const Rect& rect, int flags) const = 0;
    // Draws without filling the background, clipped to rect unless NoClip.
    virtual void drawText(const QString& text, const Rect& rect, int flags, Rgb colour) = 0;

    // Row-major pixel arrays of the area (clipped parts read as 0 and are not written).
    virtual std::vector<Rgb> readPixels(const Rect& area) const = 0;
    virtual void writePixels(const Rect& area, const std::vector<Rgb>& pixels) = 0;

    // Block copy of w x h pixels from source (sx, sy) to (x, y), bitwise on the RGB values.
    virtual void blit(int x, int y, int w, int h, const QImage& source, int sx, int sy,
                      RasterOp op = RasterOp::Copy) = 0;
    // A one-bit mask as an image of white and black: white where this surface's pixel equals
    // colour, black elsewhere.
    virtual QImage maskFromColor(Rgb colour) const = 0;

    // The pixels, RGB32.
    virtual const QImage& image() const = 0;
};

} // namespace qv
