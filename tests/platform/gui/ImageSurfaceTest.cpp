#include <gtest/gtest.h>

#include <functional>

#include "platform/gui/Color.h"
#include "platform/gui/ImageSurface.h"

using namespace qv;

namespace {
constexpr Rgb kWhite = 0xFFFFFF, kRed = rgb(255, 0, 0), kBlue = rgb(0, 0, 255);
using Points = std::vector<std::pair<int, int>>;

// The pixels of a surface cleared to white that are no longer white, row by row.
Points painted(const ImageSurface& s)
{
    Points out;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) != kWhite)
                out.emplace_back(x, y);
    return out;
}

ImageSurface blank(int w = 10, int h = 10)
{
    ImageSurface s(w, h);
    s.setBackground(kWhite);
    s.clear();
    return s;
}
} // namespace

// The edge cases of drawing (the controls' reference pictures show the ordinary ones): empty
// rectangles, a zero-length line, wide pens at a point and at the edge, a focus rectangle drawn
// twice (it inverts, so it leaves nothing) and one partly off the surface.
TEST(ImageSurface, DrawingPaintsExactlyThesePixels)
{
    // What is drawn, on a square of which size, and the pixels it paints.
    const std::tuple<const char*, int, std::function<void(ImageSurface&)>, Points> rows[] = {
        { "empty rectangles", 10,
            [](ImageSurface& s) {
                s.fillRect({ 5, 5, 5, 8 }, kRed), s.fillRect({ 6, 6, 3, 3 }, kRed);
                s.frameRect({ 2, 2, 2, 9 }, kRed);
            },
            {} },
        { "zero length", 10, [](ImageSurface& s) { s.drawLine(4, 4, 4, 4, kRed); }, {} },
        { "wide dot", 10, [](ImageSurface& s) { s.drawLine(6, 6, 6, 6, kRed, 2); },
            { { 5, 5 }, { 6, 5 }, { 5, 6 }, { 6, 6 } } },
        { "wide at the edge", 4, [](ImageSurface& s) { s.drawLine(0, 3, 4, 3, kRed, 2); },
            { { 0, 2 }, { 1, 2 }, { 2, 2 }, { 3, 2 }, { 0, 3 }, { 1, 3 }, { 2, 3 }, { 3, 3 } } },
        { "focus twice", 6, [](ImageSurface& s) { s.drawFocusRect({ 0, 0, 6, 6 }), s.drawFocusRect({ 0, 0, 6, 6 }); },
            {} },
        // Its right side is off the surface: nothing of it may land on the next row.
        { "focus past the right edge", 4, [](ImageSurface& s) { s.drawFocusRect({ 2, 0, 6, 4 }); }, { { 2, 0 }, { 2, 2 }, { 3, 3 } } },
    };
    for (const auto& [what, size, draw, want] : rows) {
        ImageSurface s = blank(size, size);
        draw(s);
        EXPECT_EQ(painted(s), want) << what;
    }
}

TEST(ImageSurface, PixelArraysRoundTripAndClip)
{
    auto s = blank(4, 4);
    s.setPixel(0, 0, kRed);
    auto pixels = s.readPixels({ -1, -1, 2, 2 });
    EXPECT_EQ(pixels, (std::vector<Rgb> { 0, 0, 0, 0, kRed, kWhite, 0, kWhite, kWhite })) << "outside reads as 0";
    EXPECT_EQ(s.readPixels({ 3, 1, 5, 2 }), (std::vector<Rgb> { kWhite, 0 })) << "so does the right of the last column";
    std::fill(pixels.begin(), pixels.end(), kBlue);
    s.writePixels({ -1, -1, 2, 2 }, pixels);
    EXPECT_EQ(painted(s), (Points { { 0, 0 }, { 1, 0 }, { 0, 1 }, { 1, 1 } }));
    EXPECT_EQ(s.pixel(1, 1), kBlue);

    // A blit takes the colours of a picture in any format, a half-transparent one's unpremultiplied.
    QImage source(2, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 128));
    source.setPixel(1, 0, qRgb(0, 0, 255));
    for (auto format : { QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_Indexed8,
             QImage::Format_RGB888 }) {
        s.blit(1, 3, 2, 1, source.convertToFormat(format), 0, 0);
        EXPECT_EQ(s.readPixels({ 0, 3, 4, 4 }), (std::vector<Rgb> { kWhite, kRed, kBlue, kWhite })) << format;
    }
}

TEST(ImageSurface, TextMeasuresWrapsAndDraws)
{
    auto s = blank(200, 60);
    const Rect one = s.measureText(QStringLiteral("Hello"), { 10, 5, 200, 60 }, TextFormat::WordBreak);
    EXPECT_EQ(std::tuple(one.left, one.top, one.width() > 0), std::tuple(10, 5, true));
    const int twoWords = s.textWidth(QStringLiteral("Hello world"));
    const Rect wrapped
        = s.measureText(QStringLiteral("Hello world again"), { 0, 0, twoWords + 1, 60 }, TextFormat::WordBreak);
    EXPECT_EQ(wrapped.height(), 2 * one.height()) << "words that do not fit go to the next line";
    EXPECT_EQ(s.measureText(QString(), { 3, 4, 50, 50 }, 0), (Rect { 3, 4, 3, 4 }));
    s.drawText(QStringLiteral("Wide text"), { 0, 0, 0, 60 }, 0, 0x000000);
    EXPECT_TRUE(painted(s).empty()) << "text is clipped to an empty rectangle";
}

// Through a form designer's colour editor and back: black and other RGB colours with small values
// must not turn into the system colour of the same number.
TEST(DesignerColor, EveryColourComesBackAsItWent)
{
    for (const OleColor colour : { OleColor(0), rgb(254, 0, 0), rgb(0x99, 0x66, 0x33), SysColor::code(SysColor::ScrollBar),
             SysColor::code(SysColor::Highlight) })
        EXPECT_EQ(fromDesignerColor(toDesignerColor(colour)), colour) << std::hex << colour;
}
