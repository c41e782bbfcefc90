#include <QApplication>
#include <gtest/gtest.h>

#include "ButtonTestSupport.h"
#include "controls/button/ButtonColors.h"

using namespace qv;

TEST(ButtonColors, ShiftColorMovesAndClamps)
{
    EXPECT_EQ(ShiftColor(0x808080, 100, false, false), 0xE4E4E4u);
    EXPECT_EQ(ShiftColor(0x808080, 100, false, true), 0xB2B2B2u);
    EXPECT_EQ(ShiftColor(0x102030, -64, false, false), 0x000000u);
    EXPECT_EQ(ShiftColor(0xFFFFFF, 10, false, false), 0xFFFFFFu);
    // Soft bevel halves toward zero: -3 becomes -1.
    EXPECT_EQ(ShiftColor(0x101010, -3, false, true), 0x0F0F0Fu);
    EXPECT_EQ(ShiftColor(0x123456, 0, true, false), 0x123456u);
}

TEST(ButtonColors, BlueWeightedShiftScalesBlueByItself)
{
    EXPECT_EQ(ShiftColor(0x804020, -48, true, false), 0x601000u);
    // 240 + 240 * 16 / 192 = 260, clamped.
    EXPECT_EQ(ShiftColor(0xF0F0F0, 16, true, false), 0xFFFFFFu);
    // 240 - 240 * 1 / 192 truncates to 239.
    EXPECT_EQ(ShiftColor(0xF0F0F0, -1, true, false), 0xEFEFEFu);
}

TEST(ButtonColors, BlendToWhite)
{
    EXPECT_EQ(BlendToWhite(0x000000, 176), 0xB0B0B0u);
    EXPECT_EQ(BlendToWhite(0xFFFFFF, 176), 0xFFFFFFu);
    // Blue 128: 128 + 127 * 128 / 255 = 191.
    EXPECT_EQ(BlendToWhite(0x800000, 128), 0xBF8080u);
}

TEST(ButtonPalette, FixedGreyIsConstant)
{
    ButtonRenderer r;
    test::setUpRenderer(r, 7, 40, 20);
    const ButtonPalette& p = r.palette();
    EXPECT_EQ(p.faceColor, 0xC0C0C0u);
    EXPECT_EQ(p.lightColor, 0xDFDFDFu);
    EXPECT_EQ(p.highlightColor, 0xFFFFFFu);
    EXPECT_EQ(p.shadowColor, 0x808080u);
    EXPECT_EQ(p.darkShadowColor, 0x000000u);
    EXPECT_EQ(p.textColor, 0u);
    EXPECT_EQ(p.textOverColor, 0u);
    EXPECT_EQ(p.accentColor, 0x800000u);
    EXPECT_EQ(p.accentFillColor, 0xD1ADADu);
    EXPECT_EQ(p.maskRgb, 0xC0C0C0u);
    EXPECT_EQ(p.tintColor, 0xF0F0F0u);
}

TEST(ButtonPalette, CustomDerivesFromBackColour)
{
    ButtonRenderer r;
    ButtonSettings& s = r.settings();
    s.colorScheme = 2;
    s.backColor = 0x336699;
    s.foreColor = 0x0000FF;
    s.foreOver = 0x00FF00;
    s.maskColor = 0xFF00FF;
    r.setColors();
    const ButtonPalette& p = r.palette();
    EXPECT_EQ(p.faceColor, 0x336699u);
    EXPECT_EQ(p.shadowColor, 0x002659u);
    EXPECT_EQ(p.lightColor, 0x5285B8u);
    EXPECT_EQ(p.highlightColor, 0x6295C8u);
    EXPECT_EQ(p.darkShadowColor, 0x000000u);
    EXPECT_EQ(p.accentColor, 0x000019u);
    EXPECT_EQ(p.accentFillColor, 0x336699u);
    EXPECT_EQ(p.textColor, 0x0000FFu);
    EXPECT_EQ(p.textOverColor, 0x00FF00u);
    EXPECT_EQ(p.maskRgb, 0xFF00FFu);
    EXPECT_EQ(p.tintColor, ShiftColor(0x336699, 48, false, false));

    s.softBevel = true;
    r.setColors();
    EXPECT_EQ(r.palette().shadowColor, 0x134679u);
}

TEST(ButtonPalette, SystemAndContainerSchemes)
{
    ButtonRenderer r;
    r.settings().colorScheme = 1;
    r.setColors();
    ButtonPalette p = r.palette();
    EXPECT_EQ(p.faceColor, systemColor(SysColor::ButtonFace));
    EXPECT_EQ(p.shadowColor, systemColor(SysColor::ButtonShadow));
    EXPECT_EQ(p.lightColor, systemColor(SysColor::Light3D));
    EXPECT_EQ(p.highlightColor, systemColor(SysColor::ButtonHighlight));
    EXPECT_EQ(p.darkShadowColor, systemColor(SysColor::DarkShadow3D));
    EXPECT_EQ(p.textColor, systemColor(SysColor::ButtonText));
    EXPECT_EQ(p.accentColor, systemColor(SysColor::Highlight));
    EXPECT_EQ(p.accentFillColor, BlendToWhite(systemColor(SysColor::Highlight), 176));

    // Unknown schemes behave as the system scheme.
    r.settings().colorScheme = 9;
    r.setColors();
    EXPECT_EQ(r.palette(), p);

    r.settings().colorScheme = 4;
    r.setContainerColors(0x405060, 0x0A0B0C);
    r.setColors();
    p = r.palette();
    EXPECT_EQ(p.faceColor, 0x405060u);
    EXPECT_EQ(p.textColor, 0x0A0B0Cu);
    EXPECT_EQ(p.textOverColor, 0x0A0B0Cu);
    EXPECT_EQ(p.shadowColor, 0x001020u);
    EXPECT_EQ(p.accentColor, systemColor(SysColor::Highlight));
}

TEST(ButtonPalette, TintIsBlueWeightedOnlyForGradientFace)
{
    ButtonRenderer r;
    r.settings().colorScheme = 2;
    r.settings().backColor = 0x804020;
    r.settings().buttonType = 3;
    r.setColors();
    EXPECT_EQ(r.palette().tintColor, ShiftColor(0x804020, 48, true, false));
    r.settings().buttonType = 4;
    r.setColors();
    EXPECT_EQ(r.palette().tintColor, 0xB07050u);
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
    EXPECT_EQ(r.settings().backColor, 0x112233u);
    r.setOver(false);
    r.redraw(0, true);
    EXPECT_EQ(r.surface().pixel(15, 10), 0x112233u);
}
