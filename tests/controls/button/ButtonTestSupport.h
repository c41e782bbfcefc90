#pragma once

#include <QFont>
#include <QImage>
#include <QRect>

#include "controls/button/ButtonRenderer.h"
#include "platform/gui/Picture.h"

namespace qv::test {

// The fixed grey scheme's colours: every pixel expectation is written against them.
namespace Grey {
constexpr Rgb Face = 0xC0C0C0, Light = 0xDFDFDF, Highlight = 0xFFFFFF, Shadow = 0x808080, Dark = 0x000000,
              Accent = 0x800000, AccentFill = 0xD1ADAD;
} // namespace Grey

QFont pinnedFont();
// A renderer of the given style and size in the fixed grey scheme, shown, colours derived.
void setUpRenderer(ButtonRenderer& renderer, int style, int width, int height, const QString& caption = {});
// Bounding box of the pixels of the given colour; darkBounds: of those whose components sum below maxSum.
QRect inkBounds(const QImage& image, Rgb colour);
QRect darkBounds(const QImage& image, int maxSum);
// A bitmap picture of the given pixels, row by row.
Picture bitmapOf(int width, int height, const std::vector<Rgb>& pixels);
// A red disc with a dark rim on the default mask colour.
Picture samplePicture(int size = 16);

} // namespace qv::test
