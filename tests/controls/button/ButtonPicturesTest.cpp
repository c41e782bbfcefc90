#include <gtest/gtest.h>

#include "ButtonTestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

QImage iconImage() // a transparent pixel and a blue one
{
    QImage icon(2, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(0, 0, 0, 0));
    icon.setPixel(1, 0, qRgba(0, 0, 255, 255));
    return icon;
}

} // namespace

// One blit onto a 4 x 1 surface filled with one colour.
TEST(ButtonPictures, TransBltCombinesPictureMaskBrushAndBlend)
{
    struct Row
    {
        const char* what;
        Rgb fill;
        int x, w, h;
        Picture picture;
        Rgb transparent;
        std::optional<Rgb> brush;
        bool mono, grey, blend, useMask;
        std::vector<Rgb> want;
    };
    const Picture blue2 = bitmapOf(2, 1, { 0x0000FF, 0x0000FF });
    const Picture icon(iconImage(), Picture::Type::Icon);
    const Row rows[] = {
        { "greyscale weights", 0xFFFFFF, 0, 3, 1, bitmapOf(3, 1, { 0x0000FF, 0x00FF00, 0xFF0000 }), 0xC0C0C0, {},
            false, true, false, true, { 0x4C4C4C, 0x969696, 0x1C1C1C, 0xFFFFFF } },
        { "blend two thirds", 0xFFFFFF, 0, 1, 1, bitmapOf(1, 1, { 0 }), 0xC0C0C0, {}, false, false, true, true,
            { 0x555555, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF } },
        { "blend onto black", 0, 1, 1, 1, bitmapOf(1, 1, { 0xFFFFFF }), 0xC0C0C0, {}, false, false, true, true,
            { 0, 0xAAAAAA, 0, 0 } },
        // White, black, light grey (sum 387), mid grey (sum 384): only dark pixels take the brush.
        { "mono mask", 0x00FF00, 0, 4, 1, bitmapOf(4, 1, { 0xFFFFFF, 0, 0x818181, 0x808080 }), 0x123456,
            0x0000FF, true, false, false, true, { 0x00FF00, 0x0000FF, 0x00FF00, 0x0000FF } },
        { "brush", 0x00FF00, 0, 4, 1, bitmapOf(4, 1, { 0xFFFFFF, 0, 0xC0C0C0, 0x808080 }), 0xC0C0C0, 0x0000FF,
            false, false, false, true, { 0x0000FF, 0x0000FF, 0x00FF00, 0x0000FF } },
        { "mask colour skipped", 0x00FF00, 0, 2, 1, bitmapOf(2, 1, { 0xC0C0C0, 0x112233 }), 0xC0C0C0, {}, false,
            false, false, true, { 0x00FF00, 0x112233, 0x00FF00, 0x00FF00 } },
        { "mask colour drawn", 0x00FF00, 0, 2, 1, bitmapOf(2, 1, { 0xC0C0C0, 0x112233 }), 0xC0C0C0, {}, false,
            false, false, false, { 0xC0C0C0, 0x112233, 0x00FF00, 0x00FF00 } },
        { "icon by alpha", 0x00FF00, 0, 2, 1, icon, 0xFF00FF, {}, false, false, false, true,
            { 0x00FF00, 0xFF0000, 0x00FF00, 0x00FF00 } },
        { "icon on mask colour", 0x00FF00, 0, 2, 1, icon, 0xFF00FF, {}, false, false, false, false,
            { 0xFF00FF, 0xFF0000, 0x00FF00, 0x00FF00 } },
        { "clipped", 0x00FF00, 3, 2, 1, blue2, 0xC0C0C0, {}, false, false, false, true,
            { 0x00FF00, 0x00FF00, 0x00FF00, 0x0000FF } },
        { "empty", 0x00FF00, 0, 0, 1, blue2, 0xC0C0C0, {}, false, false, false, true,
            { 0x00FF00, 0x00FF00, 0x00FF00, 0x00FF00 } },
        { "own size", 0x00FF00, 0, -1, -1, blue2, 0xC0C0C0, {}, false, false, false, true,
            { 0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00 } },
    };
    for (const Row& row : rows) {
        ButtonRenderer r;
        setUpRenderer(r, 10, 4, 1);
        r.settings().maskColor = 0xFF00FF;
        r.settings().useMaskColor = row.useMask;
        r.surface().fillRect({ 0, 0, 4, 1 }, row.fill);
        r.transBlt(row.x, 0, row.w, row.h, row.picture, row.transparent, row.brush, row.mono, row.grey, row.blend);
        EXPECT_EQ(r.surface().readPixels({ 0, 0, 4, 1 }), row.want) << row.what;
    }
}

// A 4 x 4 red picture at (8, 8) on a 20 x 20 button, in every level and look.
TEST(ButtonPictures, EffectsForEveryLook)
{
    enum Look { Normal, Hover, Pressed, PressedOver, Disabled };
    enum Flags { None = 0, OverPicture = 1, Greyscale = 2, NoNormal = 4 };
    struct Px
    {
        int x, y;
        Rgb colour;
    };
    struct Row
    {
        int style, look, effect, flags;
        std::vector<Px> pixels;
    };
    constexpr Rgb Red = 0x0000FF, Green = 0x00FF00, Face = Grey::Face, Dim = 0x989898, Lit = 0xE8E8E8;
    const Row rows[] = {
        { 10, Normal, 0, None, { { 8, 8, Red }, { 11, 11, Red }, { 12, 12, Face }, { 7, 7, Face } } },
        { 10, Hover, 0, None, { { 8, 8, Red }, { 12, 12, Face } } },
        { 10, Hover, 0, OverPicture, { { 8, 8, Green }, { 12, 12, Face } } },
        { 10, Hover, 0, OverPicture | NoNormal, { { 8, 8, Face } } },
        { 10, Normal, 0, Greyscale, { { 8, 8, 0x4C4C4C } } },
        { 10, Hover, 0, Greyscale, { { 8, 8, Red } } },
        { 10, Normal, 1, None, { { 12, 12, Dim }, { 7, 7, Lit }, { 8, 8, Red } } },
        { 10, Normal, 2, None, { { 12, 12, Lit }, { 7, 7, Dim } } },
        { 10, Normal, 3, None, { { 12, 12, Dim }, { 7, 7, Face } } },
        { 10, Pressed, 0, None, { { 8, 8, Face }, { 9, 9, Red }, { 12, 12, Red } } },
        { 10, Pressed, 1, None, { { 13, 13, Dim }, { 8, 8, Lit }, { 12, 12, Red } } },
        { 10, PressedOver, 0, OverPicture, { { 8, 8, Face }, { 12, 12, Green } } },
        { 5, PressedOver, 0, OverPicture, { { 8, 8, Green }, { 12, 12, 0x909090 } } },
        { 5, Pressed, 0, None, { { 8, 8, Red }, { 12, 12, 0x909090 } } },
        { 9, Normal, 0, None, { { 8, 8, rgb((2 * 255 + 192) / 3, 192 / 3, 192 / 3) } } },
        { 9, Hover, 0, None, { { 7, 7, Red }, { 12, 12, Grey::Shadow }, { 13, 13, Grey::AccentFill } } },
        { 9, PressedOver, 0, OverPicture, { { 8, 8, Red }, { 12, 12, 0xBF8080 } } },
        { 10, Disabled, 0, None, { { 8, 8, Grey::Shadow }, { 12, 12, Grey::Highlight }, { 7, 7, Face } } },
        { 3, Disabled, 0, None, { { 12, 12, 0x4C4C4C }, { 9, 9, 0x4C4C4C } } },
        { 6, Disabled, 0, None, { { 8, 8, Grey::Shadow }, { 12, 12, Face } } },
        { 9, Disabled, 0, None, { { 8, 8, 0x8D8D8D }, { 12, 12, Face } } },
    };
    for (const Row& row : rows) {
        ButtonRenderer r;
        if (!(row.flags & NoNormal))
            r.settings().pictureNormal = bitmapOf(4, 4, std::vector<Rgb>(16, Red));
        if (row.flags & OverPicture)
            r.settings().pictureOver = bitmapOf(4, 4, std::vector<Rgb>(16, Green));
        r.settings().useGreyscale = row.flags & Greyscale;
        r.settings().specialEffect = row.effect;
        r.settings().enabled = row.look != Disabled;
        setUpRenderer(r, row.style, 20, 20);
        r.setOver(row.look == Hover || row.look == PressedOver);
        r.redraw(row.look == Pressed || row.look == PressedOver ? 2 : 0, true);
        for (const Px& p : row.pixels)
            EXPECT_EQ(r.surface().pixel(p.x, p.y), p.colour) << "style " << row.style << " look " << row.look
                << " effect " << row.effect << " flags " << row.flags << " at " << p.x << "," << p.y
                << " got " << std::hex << r.surface().pixel(p.x, p.y);
    }
}
