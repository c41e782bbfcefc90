#include <gtest/gtest.h>

#include "ButtonTestSupport.h"

using namespace qv;
using namespace qv::test;

TEST(ButtonGeometry, RedrawSkipsUnchangedPaintsAndZeroHeight)
{
    ButtonRenderer r;
    test::setUpRenderer(r, 7, 60, 24);
    EXPECT_TRUE(r.redraw(2, false));
    EXPECT_FALSE(r.redraw(2, false));
    EXPECT_TRUE(r.redraw(2, true));
    EXPECT_TRUE(r.redraw(0, false));
    r.settings().caption = QStringLiteral("New");
    EXPECT_TRUE(r.redraw(0, false));
    r.settings().checkBoxBehaviour = true;
    r.settings().value = true;
    r.redraw(0, true);
    EXPECT_EQ(r.lastState(), 2) << "a checked value turns normal into pressed";
    EXPECT_EQ(r.surface().pixel(0, 10), 0x808080u);
    r.setShown(false);
    EXPECT_FALSE(r.redraw(2, true));

    ButtonRenderer flat;
    test::setUpRenderer(flat, 7, 60, 0);
    EXPECT_FALSE(flat.redraw(0, true));
}

namespace {

QImage iconImage() // a transparent pixel and a blue one
{
    QImage icon(2, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(0, 0, 0, 0));
    icon.setPixel(1, 0, qRgba(0, 0, 255, 255));
    return icon;
}

} // namespace

// One blit onto a 4 x 1 surface filled with one colour; the blends and brushes the button pictures use
// are in the reference picture.
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
        { "mono mask", 0x00FF00, 0, 4, 1, bitmapOf(4, 1, { 0xFFFFFF, 0, 0x818181, 0x808080 }), 0x123456,
            0x0000FF, true, false, false, true, { 0x00FF00, 0x0000FF, 0x00FF00, 0x0000FF } },
        { "mask colour drawn", 0x00FF00, 0, 2, 1, bitmapOf(2, 1, { 0xC0C0C0, 0x112233 }), 0xC0C0C0, {}, false,
            false, false, false, { 0xC0C0C0, 0x112233, 0x00FF00, 0x00FF00 } },
        { "icon by alpha", 0x00FF00, 0, 2, 1, icon, 0xFF00FF, {}, false, false, false, true,
            { 0x00FF00, 0xFF0000, 0x00FF00, 0x00FF00 } },
        { "icon on mask colour", 0x00FF00, 0, 2, 1, icon, 0xFF00FF, {}, false, false, false, false,
            { 0xFF00FF, 0xFF0000, 0x00FF00, 0x00FF00 } },
        { "clipped", 0x00FF00, 3, 2, 1, blue2, 0xC0C0C0, {}, false, false, false, true,
            { 0x00FF00, 0x00FF00, 0x00FF00, 0x0000FF } },
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
