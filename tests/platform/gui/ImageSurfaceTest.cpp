#include <gtest/gtest.h>

#include "platform/gui/Color.h"
#include "platform/gui/ImageSurface.h"

using namespace qv;

namespace {
constexpr Rgb kWhite = 0xFFFFFF;
constexpr Rgb kRed = rgb(255, 0, 0);
constexpr Rgb kBlue = rgb(0, 0, 255);

// Lists the painted pixels of a surface cleared to white, row by row, as "x,y" pairs.
std::vector<std::pair<int, int>> painted(const ImageSurface& s)
{
    std::vector<std::pair<int, int>> out;
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

TEST(ImageSurface, RectanglesLeaveOutRightAndBottomEdges)
{
    auto s = blank();
    s.fillRect({2, 3, 4, 5}, kRed);
    EXPECT_EQ(painted(s), (std::vector<std::pair<int, int>>{{2, 3}, {3, 3}, {2, 4}, {3, 4}}));

    auto f = blank();
    f.frameRect({1, 1, 5, 4}, kRed);
    EXPECT_EQ(f.pixel(1, 1), kRed);
    EXPECT_EQ(f.pixel(4, 3), kRed);
    EXPECT_EQ(f.pixel(5, 3), kWhite);
    EXPECT_EQ(f.pixel(2, 2), kWhite) << "a frame is an outline only";
    EXPECT_EQ(painted(f).size(), 10u);

    auto e = blank();
    e.fillRect({5, 5, 5, 8}, kRed);
    e.fillRect({6, 6, 3, 3}, kRed);
    e.frameRect({2, 2, 2, 9}, kRed);
    EXPECT_TRUE(painted(e).empty()) << "empty or inverted rectangles paint nothing";
}

TEST(ImageSurface, LinesLeaveOutTheirEndPoint)
{
    auto s = blank();
    s.drawLine(1, 2, 4, 2, kRed);
    EXPECT_EQ(painted(s), (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {3, 2}}));

    auto v = blank();
    v.drawLine(3, 5, 3, 1, kRed);
    EXPECT_EQ(painted(v), (std::vector<std::pair<int, int>>{{3, 2}, {3, 3}, {3, 4}, {3, 5}}));

    auto d = blank();
    d.drawLine(0, 0, 3, 3, kRed);
    EXPECT_EQ(painted(d), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}}));

    auto z = blank();
    z.drawLine(4, 4, 4, 4, kRed);
    EXPECT_TRUE(painted(z).empty()) << "a zero-length one-pixel line draws nothing";
}

TEST(ImageSurface, WidePensCoverThePixelsEndingAtTheLine)
{
    auto s = blank();
    s.drawLine(0, 5, 10, 5, kRed, 2);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(s.pixel(x, 4), kRed);
        EXPECT_EQ(s.pixel(x, 5), kRed);
        EXPECT_EQ(s.pixel(x, 6), kWhite);
        EXPECT_EQ(s.pixel(x, 3), kWhite);
    }
    auto dot = blank();
    dot.drawLine(6, 6, 6, 6, kRed, 2);
    EXPECT_EQ(painted(dot), (std::vector<std::pair<int, int>>{{5, 5}, {6, 5}, {5, 6}, {6, 6}}));

    auto edge = blank(4, 4);
    edge.drawLine(0, 3, 4, 3, kRed, 2);
    EXPECT_EQ(edge.pixel(0, 3), kRed);
    EXPECT_EQ(edge.pixel(3, 2), kRed);
}

TEST(ImageSurface, PixelArraysRoundTripAndClip)
{
    auto s = blank(4, 4);
    s.setPixel(0, 0, kRed);
    auto pixels = s.readPixels({-1, -1, 2, 2});
    ASSERT_EQ(pixels.size(), 9u);
    EXPECT_EQ(pixels[0], 0u) << "outside the surface reads as 0";
    EXPECT_EQ(pixels[4], kRed);
    EXPECT_EQ(pixels[5], kWhite);
    std::fill(pixels.begin(), pixels.end(), kBlue);
    s.writePixels({-1, -1, 2, 2}, pixels);
    EXPECT_EQ(s.pixel(0, 0), kBlue);
    EXPECT_EQ(s.pixel(1, 1), kBlue);
    EXPECT_EQ(s.pixel(2, 2), kWhite);
}

TEST(ImageSurface, BlitsCombineBitwiseAndMasksSelectAColour)
{
    ImageSurface src(2, 1);
    src.setPixel(0, 0, kRed);
    src.setPixel(1, 0, 0xFF00FF);
    const QImage mask = src.maskFromColor(0xFF00FF);
    EXPECT_EQ(mask.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(mask.pixel(1, 0) & 0xFFFFFF, 0xFFFFFFu);

    auto d = blank(2, 1);
    d.setPixel(0, 0, 0x0F0F0F);
    d.blit(0, 0, 2, 1, src.image(), 0, 0, DrawingSurface::RasterOp::And);
    EXPECT_EQ(d.pixel(0, 0), 0x00000Fu);
    EXPECT_EQ(d.pixel(1, 0), 0xFF00FFu);
    d.blit(0, 0, 2, 1, mask, 0, 0, DrawingSurface::RasterOp::DestAndNotSource);
    EXPECT_EQ(d.pixel(0, 0), 0x00000Fu);
    EXPECT_EQ(d.pixel(1, 0), 0u);
    d.blit(0, 0, 2, 1, src.image(), 0, 0, DrawingSurface::RasterOp::Or);
    EXPECT_EQ(d.pixel(0, 0), 0x0000FFu);
    d.blit(1, 0, 5, 5, src.image(), 0, 0);
    EXPECT_EQ(d.pixel(1, 0), kRed) << "copies are clipped to both images";
}

TEST(ImageSurface, FocusRectangleIsDottedAndUndoneBySecondDraw)
{
    auto s = blank(6, 6);
    s.drawFocusRect({0, 0, 6, 6});
    EXPECT_EQ(s.pixel(0, 0), 0x000000u);
    EXPECT_EQ(s.pixel(1, 0), kWhite);
    EXPECT_EQ(s.pixel(2, 0), 0x000000u);
    EXPECT_EQ(s.pixel(5, 5), 0x000000u);
    EXPECT_EQ(s.pixel(2, 2), kWhite);
    s.drawFocusRect({0, 0, 6, 6});
    EXPECT_TRUE(painted(s).empty());
}

TEST(ImageSurface, TextMeasuresWrapsAndDraws)
{
    auto s = blank(200, 60);
    const Rect one = s.measureText(QStringLiteral("Hello"), {10, 5, 200, 60}, TextFormat::WordBreak);
    EXPECT_EQ(one.left, 10);
    EXPECT_EQ(one.top, 5);
    EXPECT_GT(one.width(), 0);
    const int twoWords = s.textWidth(QStringLiteral("Hello world"));
    const Rect wrapped = s.measureText(QStringLiteral("Hello world again"), {0, 0, twoWords + 1, 60},
                                       TextFormat::WordBreak);
    EXPECT_EQ(wrapped.height(), 2 * one.height()) << "words that do not fit go to the next line";
    EXPECT_LE(wrapped.width(), twoWords + 1);
    EXPECT_EQ(s.measureText(QString(), {3, 4, 50, 50}, 0), (Rect{3, 4, 3, 4}));
    EXPECT_EQ(s.textWidth(QStringLiteral("&&")), s.textWidth(QStringLiteral("&&"), TextFormat::NoPrefix));
    EXPECT_LT(s.textWidth(QStringLiteral("a&b"), 0), s.textWidth(QStringLiteral("a&b")));

    s.drawText(QStringLiteral("Wide text"), {0, 0, 200, 60}, 0, 0x000000);
    EXPECT_FALSE(painted(s).empty());
    auto clipped = blank(200, 60);
    clipped.drawText(QStringLiteral("Wide text"), {0, 0, 0, 60}, 0, 0x000000);
    EXPECT_TRUE(painted(clipped).empty()) << "text is clipped to an empty rectangle";
}

TEST(Color, TranslatesRgbAndSystemColours)
{
    EXPECT_EQ(translateColor(0x00123456), 0x123456u);
    EXPECT_EQ(translateColor(0x01123456), 0x123456u);
    EXPECT_EQ(translateColor(SysColor::code(SysColor::ButtonFace)), systemColor(SysColor::ButtonFace));
    EXPECT_EQ(toQColor(rgb(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(fromQColor(QColor(1, 2, 3)), 0x030201u);
}
