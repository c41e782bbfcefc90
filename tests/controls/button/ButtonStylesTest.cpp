#include <QPainter>
#include <gtest/gtest.h>

#include "ButtonTestSupport.h"
#include "support/ControlsReferenceImage.h"
#include "controls/button/ButtonColors.h"

using namespace qv;
using namespace qv::test;

namespace {

enum Look { Normal, Hover, Pressed, PressedNotOver, Disabled, Focused, Default, PressedDefault };

// One button drawn over a parent of colour 0x123456; variant 0 has no picture, 1-7 a red 4 x 4 picture:
// plain, with a green hover picture, greyscale, raised, sunken, shadowed, and the green hover one alone.
QImage drawn(int style, Look look, int variant, int width, int height)
{
    ButtonRenderer r;
    ButtonSettings& s = r.settings();
    if (variant > 0 && variant < 7)
        s.pictureNormal = bitmapOf(4, 4, std::vector<Rgb>(16, 0x0000FF));
    if (variant == 2 || variant == 7)
        s.pictureOver = bitmapOf(4, 4, std::vector<Rgb>(16, 0x00FF00));
    s.useGreyscale = variant == 3;
    s.specialEffect = variant >= 4 && variant <= 6 ? variant - 3 : 0;
    s.enabled = look != Disabled;
    setUpRenderer(r, style, width, height);
    QImage parent(width, height, QImage::Format_RGB32);
    parent.fill(QColor(0x56, 0x34, 0x12));
    r.setParentBackground(parent);
    r.setOver(look == Hover || look == Pressed);
    r.setFocused(look == Focused);
    r.setDefaultButton(look == Default || look == PressedDefault);
    r.redraw(look == Pressed || look == PressedNotOver || look == PressedDefault ? 2 : 0, true);
    return r.image();
}

} // namespace

// Left: styles 0-15 (rows) in the eight looks (columns, in the order of Look), 60 x 24 each. Right:
// the picture variants (columns 1-7) of styles 3, 5, 6, 9 and 10 in the looks Normal, Hover,
// PressedNotOver, Pressed and Disabled (five rows a style), 20 x 20 each.
TEST(ButtonStyles, EveryStyleLookAndPictureEffectMatchesTheReference)
{
    QImage gallery(654, 550, QImage::Format_RGB32);
    gallery.fill(Qt::white);
    QPainter painter(&gallery);
    for (int style = 0; style <= 15; ++style)
        for (int look = Normal; look <= PressedDefault; ++look)
            painter.drawImage(look * 62, style * 26, drawn(style, Look(look), 0, 60, 24));
    int row = 0;
    for (int style : { 3, 5, 6, 9, 10 })
        for (Look look : { Normal, Hover, PressedNotOver, Pressed, Disabled }) {
            for (int variant = 1; variant <= 7; ++variant)
                painter.drawImage(500 + (variant - 1) * 22, row * 22, drawn(style, look, variant, 20, 20));
            ++row;
        }
    painter.end();
    EXPECT_TRUE(matchesReference(gallery, QStringLiteral(QV_BUTTON_REFERENCE_DIR "/button-looks.png")));
}

TEST(ButtonStyles, GradientOfHeight25StepsOncePerRow)
{
    ButtonRenderer r;
    setUpRenderer(r, 3, 60, 25);
    r.redraw(0, true);
    for (int row = 3; row <= 20; ++row)
        EXPECT_EQ(r.surface().pixel(30, row), ShiftColor(0xF0F0F0, -row, true, false)) << "row " << row;
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
        const Rgb text = state == 2 ? Grey::Highlight : 0x000000;
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
