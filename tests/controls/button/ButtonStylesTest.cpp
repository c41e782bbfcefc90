#include <QPainter>
#include <array>
#include <functional>
#include <gtest/gtest.h>

#include "ButtonTestSupport.h"
#include "support/ControlsReferenceImage.h"
#include "controls/button/HandCursor.h"

using namespace qv;
using namespace qv::test;
using namespace Qt::StringLiterals;

namespace {

enum Look { Normal, Hover, Pressed, PressedNotOver, Disabled, Focused, Default, PressedDefault };

// One button drawn over a parent of colour 0x123456; variant 0 has no picture, 1-7 a red 4 x 4 picture:
// plain, with a green hover picture, greyscale, raised, sunken, shadowed, and the green hover one alone.
QImage drawn(int style, Look look, int variant, int width, int height, const QString& caption = {},
    const std::function<void(ButtonRenderer&)>& more = {})
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
    setUpRenderer(r, style, width, height, caption);
    if (more) {
        more(r);
        r.setColors();
        r.calcPictureSize();
        r.calcTextRects();
    }
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

// Top left: styles 0-15 (rows) in the eight looks (columns, in the order of Look), 60 x 24 each.
// Right: the picture variants (columns 1-7) of styles 3, 5, 6, 9 and 10 in the looks Normal, Hover,
// PressedNotOver, Pressed and Disabled (five rows a style), 20 x 20 each. Below: captions (style 5
// hovered, pressed, focused; 7 hovered, pressed; 14 normal, default, pressed default); a picture left,
// right, above, below and behind the caption; a gradient of height 25, a default and a bold "Save
// Changes" in style 14 (alike); the window shape of styles 0-15 (black inside) and of the ellipse. Last,
// the colour schemes (rows: custom, custom with soft bevel, system, unknown, container) in styles 2,
// 2 pressed, 3, 4, 9 hovered, 14, 7 hovered with caption, 1, 13 pressed and 7 with a picture; at the
// bottom right, the hand pointer.
TEST(ButtonStyles, EveryStyleLookAndPictureEffectMatchesTheReference)
{
    QImage gallery(654, 680, QImage::Format_RGB32);
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
    const std::pair<int, Look> captioned[] = { { 5, Hover }, { 5, Pressed }, { 5, Focused }, { 7, Hover },
        { 7, Pressed }, { 14, Normal }, { 14, Default }, { 14, PressedDefault } };
    for (int i = 0; i < 8; ++i)
        painter.drawImage(i * 62, 418, drawn(captioned[i].first, captioned[i].second, 0, 60, 24, u"Save"_s));
    for (int position = 0; position <= 4; ++position)
        painter.drawImage(position * 98, 444, drawn(7, Normal, 0, 96, 40, u"Go"_s, [position](ButtonRenderer& r) {
            r.settings().pictureNormal = samplePicture(16), r.settings().picturePosition = position;
        }));
    painter.drawImage(0, 486, drawn(3, Normal, 0, 60, 25));
    painter.drawImage(62, 486, drawn(14, Default, 0, 90, 24, u"Save Changes"_s));
    painter.drawImage(154, 486, drawn(14, Normal, 0, 90, 24, u"Save Changes"_s, [](ButtonRenderer& r) {
        r.settings().font.setBold(true);
    }));
    for (int scheme = 0; scheme < 5; ++scheme) {
        const auto colours = [scheme](ButtonRenderer& r) {
            ButtonSettings& s = r.settings();
            s.colorScheme = std::array { 2, 2, 1, 9, 4 }[scheme];
            s.backColor = 0x336699, s.foreColor = 0x0000FF, s.foreOver = 0x00FF00, s.maskColor = 0xFF00FF;
            s.softBevel = scheme == 1;
            r.setContainerColors(0x405060, 0x0A0B0C);
        };
        const std::tuple<int, Look, QString> cells[] = { { 2, Normal, {} }, { 2, Pressed, {} }, { 3, Normal, {} },
            { 4, Normal, {} }, { 9, Hover, {} }, { 14, Normal, {} }, { 7, Hover, u"Go"_s }, { 1, Normal, {} },
            { 13, Pressed, {} } };
        int x = 0;
        for (const auto& [style, look, caption] : cells)
            painter.drawImage(x, 560 + scheme * 24, drawn(style, look, 0, 50, 22, caption, colours)), x += 52;
        painter.drawImage(x, 560 + scheme * 24, drawn(7, Normal, 0, 50, 22, u"Go"_s, [&](ButtonRenderer& r) {
            colours(r), r.settings().pictureNormal = samplePicture(16);
        }));
    }
    for (int style = 0; style <= 16; ++style) {
        ButtonRenderer r;
        const bool ellipse = style == 16;
        setUpRenderer(r, ellipse ? 13 : style, ellipse ? 40 : 20, ellipse ? 20 : 10);
        painter.setClipRegion(r.makeRegion().translated(style * 22, 514));
        painter.fillRect(style * 22, 514, 40, 20, Qt::black);
    }
    painter.setClipping(false);
    painter.drawImage(560, 600, HandCursor::image());
    painter.end();
    EXPECT_TRUE(matchesReference(gallery, QStringLiteral(QV_BUTTON_REFERENCE_DIR "/button-looks.png")));
}
