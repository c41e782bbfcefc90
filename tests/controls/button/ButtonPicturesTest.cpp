#include <gtest/gtest.h>

#include "ButtonTestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

// A 4 x 1 surface filled with one colour.
void prepare(ButtonRenderer& r, Rgb fill)
{
    setUpRenderer(r, 10, 4, 1);
    r.surface().fillRect({ 0, 0, 4, 1 }, fill);
}

std::vector<Rgb> row(const ButtonRenderer& r)
{
    return r.surface().readPixels({ 0, 0, 4, 1 });
}

} // namespace

TEST(ButtonTransBlt, GreyscaleWeightsTheComponents)
{
    ButtonRenderer r;
    prepare(r, 0xFFFFFF);
    r.transBlt(0, 0, 3, 1, bitmapOf(3, 1, { 0x0000FF, 0x00FF00, 0xFF0000 }), 0xC0C0C0, std::nullopt, false,
        true, false);
    EXPECT_EQ(row(r), (std::vector<Rgb> { 0x4C4C4C, 0x969696, 0x1C1C1C, 0xFFFFFF }));
}

TEST(ButtonTransBlt, BlendTakesTwoThirdsOfTheSource)
{
    ButtonRenderer r;
    prepare(r, 0xFFFFFF);
    r.transBlt(0, 0, 1, 1, bitmapOf(1, 1, { 0x000000 }), 0xC0C0C0, std::nullopt, false, false, true);
    r.surface().fillRect({ 1, 0, 2, 1 }, 0x000000);
    r.transBlt(1, 0, 1, 1, bitmapOf(1, 1, { 0xFFFFFF }), 0xC0C0C0, std::nullopt, false, false, true);
    const auto pixels = row(r);
    EXPECT_EQ(pixels[0], 0x555555u);
    EXPECT_EQ(pixels[1], 0xAAAAAAu);
}

TEST(ButtonTransBlt, MonoMaskPaintsOnlyDarkPixels)
{
    ButtonRenderer r;
    prepare(r, 0x00FF00);
    // White, black, light grey (sum 387 > 384), mid grey (sum 384).
    r.transBlt(0, 0, 4, 1, bitmapOf(4, 1, { 0xFFFFFF, 0x000000, 0x818181, 0x808080 }), 0x123456, 0x0000FF,
        true, false, false);
    EXPECT_EQ(row(r), (std::vector<Rgb> { 0x00FF00, 0x0000FF, 0x00FF00, 0x0000FF }));

    // Without the mono mask the brush paints every pixel that is not transparent.
    prepare(r, 0x00FF00);
    r.transBlt(0, 0, 4, 1, bitmapOf(4, 1, { 0xFFFFFF, 0x000000, 0xC0C0C0, 0x808080 }), 0xC0C0C0, 0x0000FF,
        false, false, false);
    EXPECT_EQ(row(r), (std::vector<Rgb> { 0x0000FF, 0x0000FF, 0x00FF00, 0x0000FF }));
}

TEST(ButtonTransBlt, MaskColourIsSkippedOnlyWhenAsked)
{
    ButtonRenderer r;
    prepare(r, 0x00FF00);
    const Picture picture = bitmapOf(2, 1, { 0xC0C0C0, 0x112233 });
    r.transBlt(0, 0, 2, 1, picture, 0xC0C0C0, std::nullopt, false, false, false);
    EXPECT_EQ(row(r), (std::vector<Rgb> { 0x00FF00, 0x112233, 0x00FF00, 0x00FF00 }));

    r.settings().useMaskColor = false;
    r.transBlt(0, 0, 2, 1, picture, 0xC0C0C0, std::nullopt, false, false, false);
    EXPECT_EQ(row(r), (std::vector<Rgb> { 0xC0C0C0, 0x112233, 0x00FF00, 0x00FF00 }));
}

TEST(ButtonTransBlt, IconLiesOnTheMaskColour)
{
    QImage icon(2, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(0, 0, 0, 0));
    icon.setPixel(1, 0, qRgba(0, 0, 255, 255));
    const Picture picture(icon, Picture::Type::Icon);

    ButtonRenderer r;
    prepare(r, 0x00FF00);
    r.settings().maskColor = 0xFF00FF;
    r.transBlt(0, 0, 2, 1, picture, 0xFF00FF, std::nullopt, false, false, false);
    EXPECT_EQ(row(r), (std::vector<Rgb> { 0x00FF00, 0xFF0000, 0x00FF00, 0x00FF00 }));

    r.settings().useMaskColor = false;
    r.transBlt(0, 0, 2, 1, picture, 0xFF00FF, std::nullopt, false, false, false);
    EXPECT_EQ(row(r)[0], 0xFF00FFu);
}

TEST(ButtonTransBlt, ClipsAtTheSurfaceEdgeAndIgnoresEmptySizes)
{
    ButtonRenderer r;
    prepare(r, 0x00FF00);
    r.transBlt(
        3, 0, 2, 1, bitmapOf(2, 1, { 0x0000FF, 0x0000FF }), 0xC0C0C0, std::nullopt, false, false, false);
    EXPECT_EQ(row(r), (std::vector<Rgb> { 0x00FF00, 0x00FF00, 0x00FF00, 0x0000FF }));
    r.transBlt(
        0, 0, 0, 1, bitmapOf(2, 1, { 0x0000FF, 0x0000FF }), 0xC0C0C0, std::nullopt, false, false, false);
    EXPECT_EQ(row(r)[0], 0x00FF00u);
    // Negative sizes take the picture's own.
    r.transBlt(
        0, 0, -1, -1, bitmapOf(2, 1, { 0x0000FF, 0x0000FF }), 0xC0C0C0, std::nullopt, false, false, false);
    EXPECT_EQ(row(r)[1], 0x0000FFu);
}

namespace {

// A 4 x 4 picture of one colour on a 20 x 20 face-only button, centred at (8, 8).
ButtonRenderer& pictureButton(ButtonRenderer& r, int style, Rgb colour)
{
    r.settings().pictureNormal = bitmapOf(4, 4, std::vector<Rgb>(16, colour));
    setUpRenderer(r, style, 20, 20);
    return r;
}

} // namespace

TEST(ButtonPictures, DrawnPerStateWithItsOffsets)
{
    ButtonRenderer r;
    pictureButton(r, 10, 0x0000FF);
    EXPECT_EQ(r.pictureOrigin(), QPoint(8, 8));
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(8, 8), 0x0000FFu);
    EXPECT_EQ(r.surface().pixel(12, 12), Grey::Face);
    r.redraw(2, true);
    EXPECT_EQ(r.surface().pixel(8, 8), Grey::Face);
    EXPECT_EQ(r.surface().pixel(12, 12), 0x0000FFu);

    // Disabled: dark silhouette at the origin over a light one moved by one.
    r.settings().enabled = false;
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(8, 8), Grey::Shadow);
    EXPECT_EQ(r.surface().pixel(12, 12), Grey::Highlight);
}

TEST(ButtonPictures, PictureOverReplacesOnHoverAndPress)
{
    ButtonRenderer r;
    pictureButton(r, 10, 0x0000FF);
    r.settings().pictureOver = bitmapOf(4, 4, std::vector<Rgb>(16, 0x00FF00));
    r.setOver(true);
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(8, 8), 0x00FF00u);
    r.redraw(2, true);
    EXPECT_EQ(r.surface().pixel(12, 12), 0x00FF00u);
}

TEST(ButtonPictures, OnlyPictureOverDrawsNothing)
{
    ButtonRenderer r;
    r.settings().pictureOver = bitmapOf(4, 4, std::vector<Rgb>(16, 0x00FF00));
    setUpRenderer(r, 10, 20, 20);
    r.setOver(true);
    r.redraw(0, true);
    EXPECT_TRUE(inkBounds(r.image(), 0x00FF00).isEmpty());
}

TEST(ButtonPictures, FillOnHoverLiftsAndFades)
{
    ButtonRenderer r;
    pictureButton(r, 9, 0x0000FF);
    r.redraw(0, true);
    // Not hovered: blended two thirds into the face.
    EXPECT_EQ(r.surface().pixel(8, 8), rgb((2 * 255 + 192) / 3, 192 / 3, 192 / 3));
    r.setOver(true);
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(7, 7), 0x0000FFu);
    EXPECT_EQ(r.surface().pixel(11, 11), Grey::Shadow);
}

TEST(ButtonPictures, GreyscaleWhileNotHoveredAndRaisedEffect)
{
    ButtonRenderer r;
    pictureButton(r, 10, 0x0000FF);
    r.settings().useGreyscale = true;
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(8, 8), 0x4C4C4Cu);
    r.setOver(true);
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(8, 8), 0x0000FFu);

    // Raised relief: a dark copy down-right and a light copy up-left of the picture.
    r.settings().specialEffect = 1;
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(12, 12), 0x989898u);
    EXPECT_EQ(r.surface().pixel(7, 7), 0xE8E8E8u);
}
