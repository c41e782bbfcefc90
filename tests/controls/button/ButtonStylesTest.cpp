#include <gtest/gtest.h>

#include "ButtonTestSupport.h"
#include "controls/button/ButtonColors.h"

using namespace qv;
using namespace qv::test;

namespace {

enum Look { Normal, Hover, Pressed, PressedNotOver, Disabled, Focused, Default, PressedDefault };
const char* const lookNames[]
    = { "Normal", "Hover", "Pressed", "PressedNotOver", "Disabled", "Focused", "Default", "PressedDefault" };

struct Px
{
    int x, y;
    Rgb colour;
};

struct StyleCase
{
    int style;
    Look look;
    std::vector<Px> pixels;
};

using namespace Grey;
// Colours that follow from the grey palette (tint F0F0F0) and are worked out by hand.
constexpr Rgb Tint = 0xF0F0F0;

const std::vector<StyleCase> cases = {
    // 1: outlined bevel one pixel inside a dark outline
    { 1, Normal, { { 0, 10, Dark }, { 59, 23, Dark }, { 1, 1, Highlight }, { 1, 10, Highlight },
        { 30, 1, Highlight }, { 58, 10, Shadow }, { 30, 22, Shadow }, { 2, 10, Highlight },
        { 57, 10, Shadow }, { 30, 10, Face } } },
    { 1, Hover, { { 0, 10, Dark }, { 1, 10, Highlight }, { 58, 10, Shadow } } },
    { 1, Pressed, { { 0, 10, Dark }, { 1, 10, Shadow }, { 30, 1, Shadow }, { 58, 10, Highlight },
        { 2, 10, Shadow }, { 57, 10, Highlight } } },
    { 1, Disabled, { { 0, 10, Dark }, { 1, 10, Highlight }, { 58, 10, Shadow } } },
    // 2: standard bevel; default look adds an outline
    { 2, Normal, { { 0, 10, Highlight }, { 30, 0, Highlight }, { 59, 10, Dark }, { 30, 23, Dark },
        { 0, 23, Dark }, { 1, 10, Light }, { 30, 1, Light }, { 58, 10, Shadow }, { 30, 22, Shadow },
        { 30, 12, Face } } },
    { 2, Hover, { { 0, 10, Highlight }, { 59, 10, Dark }, { 1, 10, Light }, { 58, 10, Shadow } } },
    { 2, Pressed, { { 0, 10, Dark }, { 59, 10, Highlight }, { 1, 10, Shadow }, { 58, 10, Light } } },
    { 2, Disabled, { { 0, 10, Highlight }, { 59, 10, Dark }, { 1, 10, Light }, { 58, 10, Shadow } } },
    { 2, Default, { { 0, 10, Dark }, { 1, 10, Highlight }, { 58, 10, Dark }, { 2, 10, Light },
        { 57, 10, Shadow }, { 59, 10, Dark } } },
    { 2, PressedDefault, { { 0, 10, Dark }, { 1, 10, Shadow }, { 58, 10, Shadow }, { 2, 10, Face } } },
    // 3: gradient face with coloured edges
    { 3, Normal, { { 0, 10, 0x733C00 }, { 1, 1, 0x7B4D10 }, { 30, 1, 0xFFFFFF }, { 30, 2, 0xFCFAFA },
        { 1, 10, 0xEAEBEB }, { 2, 10, 0xE4E6E6 }, { 30, 22, 0xB4C0C0 }, { 30, 21, 0xC8D0D0 },
        { 58, 10, 0xC3CCCC }, { 57, 10, 0xD2D8D8 }, { 30, 5, 0xEAEBEB } } },
    { 3, Hover, { { 0, 10, 0x733C00 }, { 1, 10, 0x31B2FF }, { 58, 10, 0x31B2FF }, { 30, 22, 0x0096E7 },
        { 30, 1, 0xCEF3FF }, { 30, 2, 0x8CDBFF }, { 2, 10, 0x6BCBFF }, { 57, 10, 0x6BCBFF } } },
    { 3, Focused, { { 1, 10, 0xE7AE8C }, { 30, 22, 0xEF826B }, { 30, 1, 0xFFE7CE }, { 30, 2, 0xF7D7BD },
        { 2, 10, 0xF0D1B5 } } },
    { 3, Default, { { 1, 10, 0xE7AE8C }, { 30, 22, 0xEF826B } } },
    { 3, Pressed, { { 0, 10, 0x733C00 }, { 1, 1, 0x7B4D10 }, { 30, 22, 0xD8E0E0 }, { 30, 21, 0xD2DADA },
        { 58, 10, 0xCDD5D5 }, { 57, 10, Tint }, { 30, 1, 0xA7B0B0 }, { 30, 2, 0xAFB8B8 }, { 1, 10, 0xA7B0B0 },
        { 2, 10, 0xB2BABA } } },
    { 3, Disabled, { { 30, 10, 0xD2D8D8 }, { 0, 10, 0x879C9C }, { 1, 1, 0x96A8A8 } } },
    // 4: cut-corner bevel
    { 4, Normal, { { 0, 10, Dark }, { 1, 1, Dark }, { 1, 10, Light }, { 2, 10, Highlight },
        { 30, 2, Highlight }, { 3, 3, Highlight }, { 57, 10, Face }, { 30, 21, Face }, { 58, 10, Shadow },
        { 30, 22, Shadow }, { 57, 21, Shadow }, { 30, 10, Light } } },
    { 4, Hover, { { 1, 10, Light }, { 2, 10, Highlight }, { 58, 10, Shadow } } },
    { 4, Pressed, { { 0, 10, Dark }, { 1, 1, Dark }, { 1, 10, 0x404040 }, { 2, 10, 0x606060 },
        { 57, 10, Shadow }, { 30, 21, Shadow }, { 58, 10, 0x707070 }, { 30, 22, 0x707070 },
        { 30, 10, 0x707070 } } },
    { 4, Disabled, { { 1, 10, Light }, { 2, 10, Highlight }, { 58, 10, Shadow } } },
    // 5: flat frame
    { 5, Normal, { { 0, 10, 0x666666 }, { 58, 10, 0x666666 }, { 30, 22, 0x666666 }, { 30, 0, 0x666666 },
        { 59, 10, Highlight }, { 30, 23, Highlight }, { 1, 10, Highlight }, { 1, 22, 0x9A9A9A },
        { 58, 1, 0x9A9A9A }, { 30, 10, 0xCCCCCC } } },
    { 5, Hover, { { 0, 10, 0x666666 }, { 30, 10, 0xCCCCCC } } },
    { 5, Pressed, { { 30, 10, 0x909090 }, { 0, 10, 0x666666 }, { 58, 10, 0x666666 }, { 59, 10, Highlight },
        { 30, 23, Highlight }, { 59, 0, Face } } },
    { 5, Disabled, { { 0, 10, Shadow }, { 59, 10, Shadow }, { 30, 10, Face } } },
    // 6: light bevel, L8 = E7E7E7
    { 6, Normal, { { 0, 10, 0xE7E7E7 }, { 1, 10, 0xE7E7E7 }, { 59, 10, Shadow }, { 58, 10, Shadow },
        { 30, 23, Shadow } } },
    { 6, Pressed, { { 0, 10, Shadow }, { 1, 10, Shadow }, { 59, 10, 0xE7E7E7 }, { 58, 10, 0xE7E7E7 } } },
    { 6, Disabled, { { 0, 10, 0xE7E7E7 }, { 59, 10, Shadow } } },
    // 7: thin bevel
    { 7, Normal, { { 0, 10, Highlight }, { 30, 0, Highlight }, { 59, 10, Shadow }, { 30, 23, Shadow },
        { 1, 10, Face } } },
    { 7, Hover, { { 0, 10, Highlight }, { 59, 10, Shadow } } },
    { 7, Pressed, { { 0, 10, Shadow }, { 30, 0, Shadow }, { 59, 10, Highlight }, { 30, 23, Highlight } } },
    { 7, Disabled, { { 0, 10, Highlight }, { 59, 10, Shadow } } },
    // Focus: every other pixel of the inset outline inverted.
    { 7, Focused, { { 3, 3, 0x3F3F3F }, { 4, 3, Face }, { 56, 20, 0x3F3F3F }, { 2, 2, Face } } },
    // 8: thin bevel only on hover
    { 8, Normal, { { 0, 10, Face }, { 59, 10, Face } } },
    { 8, Hover, { { 0, 10, Highlight }, { 59, 10, Shadow } } },
    { 8, PressedNotOver, { { 0, 10, Shadow }, { 59, 10, Highlight } } },
    { 8, Disabled, { { 0, 10, Face }, { 59, 10, Face } } },
    // 9: accent fill on hover
    { 9, Normal, { { 0, 10, Face }, { 30, 10, Face } } },
    { 9, Hover, { { 30, 10, AccentFill }, { 0, 10, Accent }, { 59, 23, Accent } } },
    { 9, Pressed, { { 30, 10, 0xBF8080 }, { 0, 10, Accent } } },
    { 9, PressedNotOver, { { 30, 10, Face }, { 0, 10, Accent } } },
    { 9, Disabled, { { 0, 10, Face }, { 30, 10, Face } } },
    // 10: face only
    { 10, Normal, { { 0, 10, Face }, { 59, 23, Face } } },
    { 10, Pressed, { { 0, 10, Face } } },
    // 11: the parent's pixels
    { 11, Normal, { { 0, 0, 0x123456 }, { 30, 10, 0x123456 } } },
    { 11, Pressed, { { 59, 23, 0x123456 } } },
    { 11, Disabled, { { 0, 0, 0x123456 } } },
    // 12: bevel only on hover
    { 12, Normal, { { 0, 10, Face }, { 59, 10, Face } } },
    { 12, Hover, { { 0, 10, Highlight }, { 59, 10, Dark }, { 1, 10, Light }, { 58, 10, Shadow } } },
    { 12, Pressed, { { 0, 10, Dark }, { 59, 10, Highlight }, { 1, 10, Shadow }, { 58, 10, Light } } },
    { 12, Disabled, { { 0, 10, Face } } },
    // 13: ellipse
    { 13, Normal, { { 1, 12, Face }, { 30, 12, Face } } },
    { 13, Hover, { { 1, 12, Shadow }, { 30, 12, Face }, { 0, 0, Face } } },
    { 13, Pressed, { { 1, 12, Dark }, { 30, 12, 0xA0A0A0 }, { 0, 0, Face } } },
    { 13, Disabled, { { 1, 12, Face } } },
    // 14: highlight gradient
    { 14, Normal, { { 0, 10, 0x4E4E4E }, { 1, 10, 0xB7B7B7 }, { 30, 22, 0xB7B7B7 }, { 30, 2, Highlight },
        { 30, 3, Highlight }, { 2, 10, Highlight }, { 3, 10, Highlight }, { 30, 10, 0xE7E7E7 },
        { 30, 20, 0xCFCFCF }, { 30, 21, 0xCCCCCC }, { 30, 0, 0x4E4E4E } } },
    { 14, Hover, { { 0, 10, 0x4E4E4E }, { 30, 10, Light }, { 30, 20, Light }, { 2, 10, Highlight } } },
    { 14, Pressed, { { 0, 10, 0x505050 }, { 30, 10, 0xB7B7B7 }, { 1, 10, 0xB7B7B7 }, { 30, 22, Highlight },
        { 58, 10, Highlight } } },
    { 14, Disabled, { { 0, 10, 0x4E4E4E }, { 30, 10, 0xE7E7E7 }, { 2, 10, Highlight } } },
    // outside the range: face only
    { 15, Normal, { { 0, 10, Face }, { 30, 10, Face } } },
};

} // namespace

// Characteristic pixels of each style in each look, 60 x 24, over a parent of colour 0x123456.
TEST(ButtonStyles, CharacteristicPixels)
{
    QImage parent(60, 24, QImage::Format_RGB32);
    parent.fill(QColor(0x56, 0x34, 0x12));
    for (const StyleCase& c : cases) {
        ButtonRenderer r;
        setUpRenderer(r, c.style, 60, 24);
        r.setParentBackground(parent);
        r.setOver(c.look == Hover || c.look == Pressed);
        r.settings().enabled = c.look != Disabled;
        r.setFocused(c.look == Focused);
        r.setDefaultButton(c.look == Default || c.look == PressedDefault);
        r.redraw(c.look == Pressed || c.look == PressedNotOver || c.look == PressedDefault ? 2 : 0, true);
        for (const Px& p : c.pixels)
            EXPECT_EQ(r.surface().pixel(p.x, p.y), p.colour)
                << "style " << c.style << " " << lookNames[c.look] << " at " << p.x << "," << p.y << " got "
                << std::hex << r.surface().pixel(p.x, p.y);
    }
}

TEST(ButtonStyles, GradientOfHeight25StepsOncePerRow)
{
    ButtonRenderer r;
    setUpRenderer(r, 3, 60, 25);
    r.redraw(0, true);
    for (int row = 3; row <= 20; ++row)
        EXPECT_EQ(r.surface().pixel(30, row), ShiftColor(Tint, -row, true, false)) << "row " << row;
}

TEST(ButtonStyles, FlatFramePressedCaptionStaysInPlace)
{
    auto inkOf = [](int style, bool pressed) {
        ButtonRenderer r;
        setUpRenderer(r, style, 80, 24, QStringLiteral("Save"));
        r.setOver(true);
        r.redraw(pressed ? 2 : 0, true);
        // The text is black in both looks; its dark pixels locate the caption.
        return darkBounds(r.image(), 300).intersected(QRect(3, 3, 74, 18));
    };
    const QRect normal5 = inkOf(5, false);
    ASSERT_FALSE(normal5.isEmpty());
    EXPECT_EQ(inkOf(5, true), normal5);
    const QRect normal7 = inkOf(7, false);
    EXPECT_EQ(inkOf(7, true), normal7.translated(1, 1));
}

TEST(ButtonStyles, FlatFrameDrawsCaptionBoxWhenFocused)
{
    ButtonRenderer r;
    setUpRenderer(r, 5, 80, 24, QStringLiteral("Save"));
    r.settings().showFocusRect = true;
    r.setFocused(true);
    r.redraw(0, true);
    const Rect c = r.captionRect();
    EXPECT_EQ(r.surface().pixel(c.left - 2, c.top - 1), 0xCC9999u);
    EXPECT_EQ(
        r.surface().pixel(c.left - 2 + r.captionWidth() + 3, c.top - 1 + r.captionHeight() + 1), 0xCC9999u);
    r.settings().showFocusRect = false;
    r.redraw(0, true);
    EXPECT_NE(r.surface().pixel(c.left - 2, c.top - 1), 0xCC9999u);
}

TEST(ButtonStyles, HighlightGradientDefaultCaptionIsBoldOnlyWhenNotPressed)
{
    auto inkWidth = [](bool isDefault, int state) {
        ButtonRenderer r;
        setUpRenderer(r, 14, 120, 24, QStringLiteral("Mmmmmm"));
        r.setDefaultButton(isDefault);
        r.redraw(state, true);
        const Rgb text = state == 2 ? Highlight : 0x000000;
        return inkBounds(r.image(), text).intersected(QRect(4, 4, 112, 16)).width();
    };
    EXPECT_GT(inkWidth(true, 0), inkWidth(false, 0));
    EXPECT_EQ(inkWidth(true, 2), inkWidth(false, 2));

    // The bold caption is laid out in bold: just as a button whose own font is bold.
    for (const QString& caption : { QStringLiteral("Caption"), QStringLiteral("Save Changes") }) {
        ButtonRenderer asDefault;
        setUpRenderer(asDefault, 14, 90, 24, caption);
        asDefault.setDefaultButton(true);
        asDefault.redraw(0, true);
        ButtonRenderer bold;
        setUpRenderer(bold, 14, 90, 24, caption);
        bold.settings().font.setBold(true);
        bold.calcTextRects();
        bold.redraw(0, true);
        EXPECT_EQ(asDefault.image(), bold.image()) << caption.toStdString();
    }
}
