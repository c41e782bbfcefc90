#include <gtest/gtest.h>

#include <QWidget>
#include <climits>
#include <functional>

#include "StatusBarTestUtil.h"
#include "controls/statusbar/PanelPainter.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "platform/gui/ImageSurface.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

constexpr Rgb kBack = rgb(230, 231, 235);

Rgb shade(Rgb colour, int offset)
{
    return rgb(std::clamp(redOf(colour) + offset, 0, 255), std::clamp(greenOf(colour) + offset, 0, 255),
        std::clamp(blueOf(colour) + offset, 0, 255));
}

// Compares every pixel of area with expected(x, y); reports the first few differences.
void expectPixels(
    const DrawingSurface& surface, const Rect& area, const std::function<Rgb(int, int)>& expected)
{
    int failures = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const Rgb want = expected(x, y);
            const Rgb got = surface.pixel(x, y);
            if (got != want && ++failures <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", expected "
                              << want;
        }
    }
    EXPECT_EQ(failures, 0);
}

// A bar of the given size on a (hidden) window, with three empty NoAutoSize panels.
struct Host
{
    QWidget window;
    PanelStatusBar* bar;
    Host(int width, int height, int apperance)
    {
        bar = new PanelStatusBar(&window);
        bar->setGeometry(0, 0, width, height);
        bar->setFont(test::barFont());
        bar->setBackColor(kBack);
        bar->setApperance(apperance);
        for (int width : { 185, 120, 120 }) {
            const int i = bar->AddPanel(width, QString(), QString(), true, AutoSizeMode::NoAutoSize);
            bar->setMinWidth(i, width);
        }
    }
};

// The shaded band, by row.
Rgb bandColour(int y, int H)
{
    switch (y) {
    case 0:
        return shade(kBack, -45);
    case 1:
        return shade(kBack, -36);
    case 2:
        return shade(kBack, -27);
    case 3:
        return shade(kBack, -18);
    case 4:
        return shade(kBack, -9);
    default:
        break;
    }
    if (y == H - 4 || y == H - 3)
        return shade(kBack, -8);
    if (y == H - 2 || y == H - 1)
        return shade(kBack, -15);
    return kBack;
}

// The shaded gripper in the bottom-right 15 x 15 pixels: 2 x 2 dots ending at their points, the
// dark ones drawn last.
Rgb shadedGripper(int x, int y, int W, int H)
{
    auto inDot = [&](int px, int py) { return (x == px || x == px - 1) && (y == py || y == py - 1); };
    const std::pair<int, int> dark[] = { { 4, 4 }, { 8, 4 }, { 12, 4 }, { 4, 8 }, { 8, 8 }, { 4, 12 } };
    for (auto [dx, dy] : dark)
        if (inDot(W - dx, H - dy))
            return shade(kBack, -50);
    const std::pair<int, int> light[] = { { 3, 3 }, { 7, 3 }, { 11, 3 }, { 3, 7 }, { 7, 7 }, { 3, 11 } };
    for (auto [dx, dy] : light)
        if (inDot(W - dx, H - dy))
            return shade(kBack, 50);
    return y >= H - 4 ? bandColour(y, H) : kBack;
}

TEST(StatusBarDrawing, ShadedThreePanelsAt500WithAndWithoutMaximisedParent)
{
    constexpr int W = 500;
    constexpr int H = 18;
    Host host(W, H, 1);
    PanelStatusBar& bar = *host.bar;
    bar.DrawStatusBar(true);
    EXPECT_TRUE(bar.GripperAllowed());
    EXPECT_EQ(bar.PanelRect(1), (Rect { 2, 5, 183, H - 4 }));
    EXPECT_EQ(bar.PanelRect(2), (Rect { 187, 5, 303, H - 4 }));
    EXPECT_EQ(bar.PanelRect(3), (Rect { 307, 5, 423, H - 4 }));
    EXPECT_EQ(bar.GripperRect(), (Rect { W - 15, H - 15, W, H }));
    EXPECT_EQ(bar.Panel(3).left, 305);
    EXPECT_EQ(bar.Panel(3).top, 5);
    EXPECT_EQ(bar.Panel(3).bottom, H - 4);

    const Rgb dark = shade(kBack, -50);
    const Rgb light = shade(kBack, 50);
    auto withGripper = [&](int x, int y) {
        if (x >= W - 15 && y >= H - 15)
            return shadedGripper(x, y, W, H);
        if (y < 5 || y >= H - 4)
            return bandColour(y, H);
        if (x == 184 || x == 304 || x == 423)
            return dark;
        if (x == 185 || x == 305 || x == 424)
            return light;
        return kBack;
    };
    expectPixels(bar.surface(), { 0, 0, W, H }, withGripper);
    test::saveForViewing(bar.surface().image(), u"shaded-500-gripper"_s);

    host.window.setWindowState(Qt::WindowMaximized);
    EXPECT_FALSE(bar.GripperAllowed());
    auto maximised = [&](int x, int y) {
        if (y < 5 || y >= H - 4)
            return bandColour(y, H);
        if (x == 184 || x == 304)
            return dark;
        if (x == 185 || x == 305)
            return light;
        return kBack;
    };
    expectPixels(bar.surface(), { 0, 0, W, H }, maximised);
    EXPECT_EQ(bar.PanelRect(3), (Rect { 307, 5, 423, H - 4 }));

    host.window.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(bar.GripperAllowed());
    EXPECT_EQ(bar.surface().pixel(W - 4, H - 4), dark);
}

TEST(StatusBarDrawing, FlatPanelsAreFramedAndTheGripperIsDiagonal)
{
    constexpr int W = 500;
    constexpr int H = 20;
    Host host(W, H, 0);
    PanelStatusBar& bar = *host.bar;
    bar.DrawStatusBar(true);
    EXPECT_EQ(bar.PanelRect(1), (Rect { 0, 1, 184, H - 1 }));
    EXPECT_EQ(bar.PanelRect(2), (Rect { 185, 1, 304, H - 1 }));
    EXPECT_EQ(bar.PanelRect(3), (Rect { 305, 1, 424, H - 1 }));

    const Rgb shadow = systemColor(SysColor::ButtonShadow);
    const Rgb highlight = systemColor(SysColor::ButtonHighlight);
    auto expected = [&](int x, int y) {
        if (x >= W - 15 && y >= H - 15) {
            const int k = (W - x) + (H - y);
            if (k == 5 || k == 10 || k == 15)
                return highlight;
            if ((k >= 2 && k <= 4) || (k >= 7 && k <= 9) || (k >= 12 && k <= 14))
                return shadow;
            return kBack;
        }
        const bool rows = y >= 1 && y < H - 1;
        const bool edgeRow = y == 1 || y == H - 2;
        for (const Rect& r : { bar.PanelRect(1), bar.PanelRect(2), bar.PanelRect(3) }) {
            if (rows && x >= r.left && x < r.right && (edgeRow || x == r.left || x == r.right - 1))
                return shadow;
        }
        return kBack;
    };
    expectPixels(bar.surface(), { 0, 0, W, H }, expected);
    test::saveForViewing(bar.surface().image(), u"flat-500-gripper"_s);
}

TEST(StatusBarDrawing, ApperanceTwoHasTheBandAndInsetPanelsButNoSeparators)
{
    constexpr int W = 500;
    constexpr int H = 18;
    Host host(W, H, 2);
    PanelStatusBar& bar = *host.bar;
    bar.DrawStatusBar(true);
    EXPECT_EQ(bar.PanelRect(1), (Rect { 2, 5, 183, H - 4 }));
    auto expected = [&](int x, int y) {
        if (x >= W - 15 && y >= H - 15)
            return shadedGripper(x, y, W, H);
        return bandColour(y, H);
    };
    expectPixels(bar.surface(), { 0, 0, W, H }, expected);
}

TEST(StatusBarDrawing, SpringPanelsShareTheRestRoundingToEven)
{
    QWidget window;
    auto* bar = new PanelStatusBar(&window);
    bar->setGeometry(0, 0, 400, 18);
    bar->AddPanel(10, QString(), QString(), true, AutoSizeMode::Spring);
    bar->AddPanel(10, QString(), QString(), true, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(2, 100);
    EXPECT_EQ(bar->PanelWidth(1), 285) << "400 - 100 - 15 for the gripper";
    EXPECT_EQ(bar->PanelWidth(2), 100);
    window.setWindowState(Qt::WindowMaximized);
    EXPECT_EQ(bar->PanelWidth(1), 300);
    EXPECT_EQ(bar->GripperRect(), Rect {}) << "no gripper drawn, no gripper area";
    window.setWindowState(Qt::WindowNoState);
    bar->setShowGripper(false);
    EXPECT_EQ(bar->PanelWidth(1), 300);

    // Two springs over 101, 105 and 107 pixels: 50.5, 52.5 and 53.5 go to the even neighbour.
    bar->setPanelAutoSize(2, AutoSizeMode::Spring);
    for (auto [width, share] : { std::pair { 101, 50 }, { 105, 52 }, { 107, 54 } }) {
        bar->resize(width, 18);
        bar->DrawStatusBar(true);
        EXPECT_EQ(bar->PanelWidth(1), share) << width;
        EXPECT_EQ(bar->PanelWidth(2), share) << width;
        EXPECT_EQ(bar->PanelRect(2).left, share);
    }

    // A picture wider than the share wins; so does the zero width of no picture over a negative share.
    bar->resize(20, 18);
    bar->setPanelPicture(1, test::maskedBitmap(16, 16, Qt::red));
    EXPECT_EQ(bar->PanelWidth(1), 16);
    EXPECT_EQ(bar->PanelWidth(2), 10);
    bar->setPanelAutoSize(2, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(2, 150);
    bar->setPanelPicture(1, Picture());
    EXPECT_EQ(bar->PanelWidth(1), 0);
    EXPECT_EQ(bar->PanelRect(2).left, 0);
    bar->setPanelPicture(1, test::maskedBitmap(4, 4, Qt::red));
    EXPECT_EQ(bar->PanelWidth(1), 4);

    // Widths at the limits of int are clamped, so the panels after them still follow in order.
    bar->setPanelPicture(1, Picture());
    const int third = bar->AddPanel(10, u"after"_s, QString(), true, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(third, 40);
    for (int apperance : { 0, 1 }) {
        bar->setApperance(apperance);
        for (int extreme : { INT_MAX, INT_MIN }) {
            bar->setMinWidth(2, extreme);
            EXPECT_EQ(bar->PanelRect(third).left > bar->PanelRect(2).left, extreme > 0) << extreme;
            EXPECT_EQ(bar->PanelWidth(1) == 0, extreme > 0) << "the spring takes what is left";
            bar->setPanelAutoSize(1, AutoSizeMode::NoAutoSize);
            EXPECT_EQ(bar->PanelRect(third).left > bar->PanelRect(2).left, extreme > 0) << extreme;
            bar->setPanelAutoSize(1, AutoSizeMode::Spring);
        }
    }
}

TEST(StatusBarDrawing, ContentsPanelsFollowPictureAndCaption)
{
    QWidget window;
    auto* bar = new PanelStatusBar(&window);
    bar->setGeometry(0, 0, 400, 22);
    bar->setFont(test::barFont());
    bar->AddPanel(77, QString(), QString(), true, AutoSizeMode::Contents);
    EXPECT_EQ(bar->PanelWidth(1), 0);
    bar->setPanelPicture(1, test::maskedBitmap(16, 16, Qt::red));
    EXPECT_EQ(bar->PanelWidth(1), 22) << "round(15.99 + 6)";
    const QString caption = u"Abc def"_s;
    bar->setPanelCaption(1, caption);
    const int textWidth = bar->surface().textWidth(caption);
    EXPECT_EQ(bar->PanelWidth(1), textWidth + 28) << "round(15.99 + text + 12)";
    bar->setPanelPicture(1, Picture());
    EXPECT_EQ(bar->PanelWidth(1), textWidth + 12);
    // Prefix characters count as they are measured, not as drawn.
    bar->setPanelCaption(1, u"A&b"_s);
    EXPECT_EQ(bar->PanelWidth(1), bar->surface().textWidth(u"A&b"_s) + 12);
}

// The caption of a panel is drawn at left + picture width + 6, vertically centred on the bar; the
// picture at left + 3 with its mask colour transparent.
TEST(StatusBarDrawing, CaptionAndPictureOffsets)
{
    constexpr int H = 22;
    QWidget window;
    auto* bar = new PanelStatusBar(&window);
    bar->setGeometry(0, 0, 300, H);
    bar->setFont(test::barFont());
    bar->setBackColor(kBack);
    bar->setForeColor(rgb(0, 0, 0));
    bar->setApperance(1);
    bar->setShowGripper(false);
    const QString caption = u"Abc"_s;
    bar->AddPanel(0, caption, QString(), true, AutoSizeMode::Contents, test::maskedBitmap(16, 16, Qt::red));
    bar->AddPanel(80, caption, QString(), true, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(2, 80);
    const DrawingSurface& s = bar->surface();
    const int textWidth = s.textWidth(caption);
    ASSERT_EQ(bar->PanelWidth(1), textWidth + 28);

    ImageSurface reference(100, H);
    reference.setFont(test::barFont());
    reference.setBackground(kBack);
    reference.clear();
    const Rect extent
        = reference.measureText(caption, { 0, 0, 300, H }, TextFormat::CalcRect | TextFormat::WordBreak);
    const int d = PanelPainter::roundEven((H - extent.height()) / 2.0);
    reference.drawText(caption, { 0, d, 100, d + extent.height() }, TextFormat::WordEllipsis, 0);
    ASSERT_NE(reference.image(), ImageSurface(100, H).image());

    // Rows inside the panel fill, where the reference has the same background.
    auto expectCaptionAt = [&](int left, int width) {
        expectPixels(
            s, { left, 5, left + width, H - 4 }, [&](int x, int y) { return reference.pixel(x - left, y); });
    };
    expectCaptionAt(22, textWidth + 4);
    const int second = bar->Panel(2).left;
    EXPECT_EQ(second, textWidth + 28);
    expectCaptionAt(second + 6, 72);

    const Rgb red = rgb(255, 0, 0);
    const int top = (H - 16) / 2;
    EXPECT_EQ(s.pixel(3, top), bandColour(top, H)) << "the masked pixel shows what was there";
    EXPECT_EQ(s.pixel(4, top), red);
    EXPECT_EQ(s.pixel(3, top + 1), red);
    EXPECT_EQ(s.pixel(18, top + 15), red);
    EXPECT_EQ(s.pixel(19, 10), kBack);
    EXPECT_EQ(s.pixel(2, 10), kBack);
    EXPECT_EQ(s.pixel(18, top + 16), bandColour(top + 16, H));

    // Icons and other pictures are drawn by their own transparency.
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(QColor(0, 0, 255));
    icon.setPixelColor(5, 5, QColor(0, 0, 0, 0));
    bar->setPanelPicture(2, Picture(icon, Picture::Type::Icon));
    EXPECT_EQ(s.pixel(second + 3, top + 1), rgb(0, 0, 255));
    EXPECT_EQ(s.pixel(second + 8, top + 5), kBack);
    test::saveForViewing(s.image(), u"captions-pictures"_s);
}

TEST(StatusBarDrawing, BackColorReadsBackResolvedAfterTheFirstFill)
{
    QWidget window;
    auto* bar = new PanelStatusBar(&window);
    bar->setGeometry(0, 0, 200, 18);
    EXPECT_EQ(bar->BackColor(), 0x8000000Fu);
    bar->DrawStatusBar(true);
    EXPECT_EQ(bar->BackColor(), 0x8000000Fu) << "no panel, no fill";
    bar->AddPanel(50, QString(), QString(), true, AutoSizeMode::NoAutoSize);
    EXPECT_EQ(bar->BackColor(), systemColor(SysColor::ButtonFace));
    MemoryPropertyStore store;
    bar->WriteProperties(store);
    EXPECT_EQ(store.readColor(u"backcolor"_s), systemColor(SysColor::ButtonFace));
}

TEST(StatusBarDrawing, PartialRedrawRepaintsPanelsOnlyAndSystemTextColoursResolve)
{
    QWidget window;
    auto* bar = new PanelStatusBar(&window);
    bar->setGeometry(0, 0, 300, 18);
    bar->setFont(test::barFont());
    bar->setBackColor(kBack);
    bar->setApperance(1);
    bar->AddPanel(150, u"Mmmm"_s, QString(), false, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(1, 150);
    bar->setForeColorDissabled(rgb(255, 0, 0));
    auto count = [&](Rgb colour) {
        int n = 0;
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 150; ++x)
                n += bar->surface().pixel(x, y) == colour;
        return n;
    };
    EXPECT_GT(count(rgb(255, 0, 0)), 0);

    // A partial pass: the separator drawn over by nothing stays, the caption changes colour.
    const auto full = bar->fullPasses();
    bar->setForeColorDissabled(SysColor::code(SysColor::GrayText));
    EXPECT_EQ(bar->fullPasses(), full);
    EXPECT_EQ(bar->surface().pixel(148, 9), shade(kBack, -50)) << "separators are not drawn again";
    EXPECT_EQ(bar->surface().pixel(149, 9), shade(kBack, 50));
    EXPECT_EQ(bar->surface().pixel(10, 0), shade(kBack, -45));
    EXPECT_EQ(count(rgb(255, 0, 0)), 0);
    EXPECT_GT(count(systemColor(SysColor::GrayText)), 0) << "a system colour code is resolved for text";
}

TEST(StatusBarDrawing, SampleBarsForViewing)
{
    QWidget window;
    auto* sample = new PanelStatusBar(&window);
    sample->setGeometry(0, 0, 520, 22);
    sample->setFont(test::barFont());
    sample->AddPanel(
        0, u"Ready"_s, u"State"_s, true, AutoSizeMode::Contents, test::maskedBitmap(16, 16, Qt::darkGreen));
    sample->AddPanel(
        0, u"Spring panel with a long caption that will not fit"_s, QString(), true, AutoSizeMode::Spring);
    sample->AddPanel(0, u"Disabled"_s, QString(), false, AutoSizeMode::NoAutoSize);
    sample->setMinWidth(3, 90);
    sample->setApperance(1);
    test::saveForViewing(sample->surface().image(), u"sample-shaded"_s);
    sample->setApperance(0);
    test::saveForViewing(sample->surface().image(), u"sample-flat"_s);
    sample->setApperance(2);
    test::saveForViewing(sample->surface().image(), u"sample-apperance2"_s);
    SUCCEED();
}

} // namespace
} // namespace qv

namespace qv {
namespace {

// The straight-line shortcut of DrawPenLine covers exactly the pixels of the surface's own lines.
TEST(StatusBarDrawing, PenLinesMatchTheSurfaceLineRule)
{
    struct Line
    {
        int x1, y1, x2, y2, width;
    };
    const Line lines[] = {
        { 0, 0, 12, 0, 1 },
        { 0, 5, 12, 5, 2 },
        { 12, 7, 3, 7, 2 },
        { -3, 11, 20, 11, 3 },
        { 4, 0, 4, 9, 1 },
        { 6, 9, 6, 1, 2 },
        { 15, -2, 15, 30, 2 },
        { 8, 8, 8, 8, 2 },
        { 1, 1, 9, 9, 1 },
        { 3, 3, 4, 3, 0 },
        { INT_MIN, 5, INT_MAX, 5, 2 },
        { INT_MAX, 6, INT_MIN, 6, 1 },
        { 7, INT_MAX, 7, INT_MIN, 2 },
        { INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1 },
    };
    for (const Line& l : lines) {
        ImageSurface viaHelper(16, 14);
        ImageSurface direct(16, 14);
        PanelPainter::DrawPenLine(viaHelper, l.x1, l.y1, l.x2, l.y2, rgb(200, 10, 10), l.width);
        direct.drawLine(l.x1, l.y1, l.x2, l.y2, rgb(200, 10, 10), l.width);
        EXPECT_EQ(viaHelper.image(), direct.image())
            << l.x1 << "," << l.y1 << " - " << l.x2 << "," << l.y2 << " w" << l.width;
    }
    // The surface takes rectangles reaching to the limits of int as the parts it shows.
    ImageSurface surface(16, 14);
    surface.frameRect({ INT_MIN, 2, INT_MAX, 5 }, rgb(200, 10, 10));
    EXPECT_EQ(surface.pixel(3, 4), rgb(200, 10, 10));
    surface.drawText(u"x"_s, { INT_MIN, INT_MIN, INT_MAX, INT_MAX }, TextFormat::WordEllipsis, 0);
    surface.drawFocusRect({ INT_MIN, 8, INT_MAX, 10 }, 0);

    EXPECT_EQ(PanelPainter::OffsetColor(rgb(10, 128, 250), 20), rgb(30, 148, 255));
    EXPECT_EQ(PanelPainter::OffsetColor(rgb(10, 128, 250), -20), rgb(0, 108, 230));
}

} // namespace
} // namespace qv
