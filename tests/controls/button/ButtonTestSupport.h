#pragma once

#include <QFont>
#include <QImage>
#include <QRect>

#include "controls/button/ButtonRenderer.h"
#include "platform/gui/Picture.h"

namespace qv::test {

// The fixed grey scheme's colours: every pixel expectation below is written against them.
namespace Grey {
constexpr Rgb Face = 0xC0C0C0;
constexpr Rgb Light = 0xDFDFDF;
constexpr Rgb Highlight = 0xFFFFFF;
constexpr Rgb Shadow = 0x808080;
constexpr Rgb Dark = 0x000000;
constexpr Rgb Accent = 0x800000;
constexpr Rgb AccentFill = 0xD1ADAD;
} // namespace Grey

QFont pinnedFont();
// A renderer of the given style and size in the fixed grey scheme, shown, colours derived.
void setUpRenderer(ButtonRenderer& renderer, int style, int width, int height, const QString& caption = {});
// Bounding box of the pixels that have the given colour.
QRect inkBounds(const QImage& image, Rgb colour);
// Bounding box of the pixels whose components add up to less than maxSum (text ink).
QRect darkBounds(const QImage& image, int maxSum);
// A bitmap picture of the given pixels (one row per string, one colour per entry).
Picture bitmapOf(int width, int height, const std::vector<Rgb>& pixels);
Picture samplePicture(int size = 16);
QString outputDir();

} // namespace qv::test
