#pragma once

#include <QColor>
#include <cstdint>

namespace qv {

// A colour value as the controls store it: 0x00BBGGRR for an RGB colour (red in the low byte), or
// 0x80000000 plus a system-colour index, resolved from the desktop palette when drawn.
using OleColor = std::uint32_t;
// A resolved colour, 0x00BBGGRR.
using Rgb = std::uint32_t;

namespace SysColor {
enum Index : int {
    ScrollBar = 0, Background = 1, ActiveCaption = 2, InactiveCaption = 3, Menu = 4, Window = 5,
    WindowFrame = 6, MenuText = 7, WindowText = 8, CaptionText = 9, ActiveBorder = 10,
    InactiveBorder = 11, AppWorkspace = 12, Highlight = 13, HighlightText = 14, ButtonFace = 15,
    ButtonShadow = 16, GrayText = 17, ButtonText = 18, InactiveCaptionText = 19, ButtonHighlight = 20,
    DarkShadow3D = 21, Light3D = 22, InfoText = 23, InfoBackground = 24,
};
constexpr OleColor code(Index index) { return 0x80000000u | static_cast<OleColor>(index); }
} // namespace SysColor

constexpr bool isSystemColor(OleColor colour) { return (colour & 0x80000000u) != 0; }
constexpr Rgb rgb(int red, int green, int blue)
{
    return static_cast<Rgb>(red & 0xFF) | (static_cast<Rgb>(green & 0xFF) << 8) | (static_cast<Rgb>(blue & 0xFF) << 16);
}
constexpr int redOf(Rgb c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Rgb c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Rgb c) { return static_cast<int>((c >> 16) & 0xFF); }

// Resolves a colour value to RGB; system colours come from the application palette.
// An unknown system index resolves to the window colour; an RGB value loses its top byte.
Rgb translateColor(OleColor colour);
// The RGB of a system colour index.
Rgb systemColor(int index);

QColor toQColor(Rgb colour);
Rgb fromQColor(const QColor& colour);

// A colour value as a form designer's colour editor, .ui files and uic carry it: an RGB colour
// opaque; a system colour (index 0-254) in the RGB it has now, its index kept in the alpha
// channel as 254 - index, so that it stays a system colour when saved and loaded. An alpha
// below 255 reads back as that system colour, whatever the RGB.
QColor toDesignerColor(OleColor colour);
OleColor fromDesignerColor(const QColor& colour);

} // namespace qv
