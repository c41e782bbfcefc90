#include <gtest/gtest.h>

#include "ButtonTestSupport.h"
#include "controls/button/ButtonColors.h"

using namespace qv;

TEST(ButtonColors, ShiftAndBlend)
{
    struct Row
    {
        Rgb colour;
        int value;
        bool blue, soft;
        Rgb want;
    };
    const Row rows[] = {
        { 0x808080, 100, false, false, 0xE4E4E4 }, { 0x808080, 100, false, true, 0xB2B2B2 },
        { 0x102030, -64, false, false, 0x000000 }, { 0xFFFFFF, 10, false, false, 0xFFFFFF },
        { 0x101010, -3, false, true, 0x0F0F0F }, // soft halves toward zero: -3 becomes -1
        { 0x123456, 0, true, false, 0x123456 }, { 0x804020, -48, true, false, 0x601000 },
        { 0xF0F0F0, 16, true, false, 0xFFFFFF }, // 240 + 240 * 16 / 192 clamps
        { 0xF0F0F0, -1, true, false, 0xEFEFEF }, // 240 - 240 / 192 truncates
    };
    for (const Row& r : rows)
        EXPECT_EQ(ShiftColor(r.colour, r.value, r.blue, r.soft), r.want) << std::hex << r.colour << " " << r.value;
    EXPECT_EQ(BlendToWhite(0x000000, 176), 0xB0B0B0u);
    EXPECT_EQ(BlendToWhite(0xFFFFFF, 176), 0xFFFFFFu);
    EXPECT_EQ(BlendToWhite(0x800000, 128), 0xBF8080u); // 128 + 127 * 128 / 255
}

TEST(ButtonPalette, EachSchemeDerivesItsColours)
{
    ButtonRenderer r;
    test::setUpRenderer(r, 7, 40, 20);
    EXPECT_EQ(r.palette(), (ButtonPalette { 0xC0C0C0, 0xDFDFDF, 0xFFFFFF, 0x808080, 0, 0, 0, 0x800000,
                               0xD1ADAD, 0xC0C0C0, 0xF0F0F0 }));

    ButtonSettings& s = r.settings();
    s.colorScheme = 2;
    s.backColor = 0x336699;
    s.foreColor = 0x0000FF;
    s.foreOver = 0x00FF00;
    s.maskColor = 0xFF00FF;
    r.setColors();
    EXPECT_EQ(r.palette(), (ButtonPalette { 0x336699, 0x5285B8, 0x6295C8, 0x002659, 0, 0x0000FF, 0x00FF00,
                               0x000019, 0x336699, 0xFF00FF, ShiftColor(0x336699, 48, false, false) }));
    s.softBevel = true;
    r.setColors();
    EXPECT_EQ(r.palette().shadowColor, 0x134679u);
    s.softBevel = false;

    s.colorScheme = 1;
    r.setColors();
    const ButtonPalette system = r.palette();
    EXPECT_EQ(system.faceColor, systemColor(SysColor::ButtonFace));
    EXPECT_EQ(system.shadowColor, systemColor(SysColor::ButtonShadow));
    EXPECT_EQ(system.lightColor, systemColor(SysColor::Light3D));
    EXPECT_EQ(system.highlightColor, systemColor(SysColor::ButtonHighlight));
    EXPECT_EQ(system.darkShadowColor, systemColor(SysColor::DarkShadow3D));
    EXPECT_EQ(system.textColor, systemColor(SysColor::ButtonText));
    EXPECT_EQ(system.accentFillColor, BlendToWhite(systemColor(SysColor::Highlight), 176));
    s.colorScheme = 9; // unknown schemes behave as the system scheme
    r.setColors();
    EXPECT_EQ(r.palette(), system);

    s.colorScheme = 4;
    r.setContainerColors(0x405060, 0x0A0B0C);
    r.setColors();
    EXPECT_EQ(r.palette().faceColor, 0x405060u);
    EXPECT_EQ(r.palette().textOverColor, 0x0A0B0Cu);
    EXPECT_EQ(r.palette().shadowColor, 0x001020u);
    EXPECT_EQ(r.palette().accentColor, systemColor(SysColor::Highlight));

    // The tint is blue-weighted only for the gradient face.
    s.colorScheme = 2;
    s.backColor = 0x804020;
    for (auto [style, tint] : { std::pair { 3, ShiftColor(0x804020, 48, true, false) }, { 4, 0xB07050u } }) {
        s.buttonType = style;
        r.setColors();
        EXPECT_EQ(r.palette().tintColor, tint) << style;
    }
}

TEST(ButtonPalette, CustomHoverPaintsWithBackOverAndRestores)
{
    ButtonRenderer r;
    test::setUpRenderer(r, 10, 30, 20);
    r.settings().colorScheme = 2;
    r.settings().backColor = 0x112233;
    r.settings().backOver = 0x445566;
    r.setColors();
    r.setOver(true);
    ASSERT_TRUE(r.redraw(0, true));
    EXPECT_EQ(r.surface().pixel(15, 10), 0x445566u);
    EXPECT_EQ(r.palette().faceColor, 0x112233u);
    r.setOver(false);
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(15, 10), 0x112233u);
}
