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
    return PanelPainter::OffsetColor(colour, offset);
}

// Compares every pixel of area with expected(x, y); reports the first few differences.
void expectPixels(const DrawingSurface& surface, const Rect& area, const std::function<Rgb(int, int)>& expected)
{
    int failures = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (surface.pixel(x, y) != expected(x, y) && ++failures <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << surface.pixel(x, y)
                              << ", expected " << expected(x, y);
    EXPECT_EQ(failures, 0);
}

// An empty bar of the given size on the window.
PanelStatusBar* bareBar(QWidget& window, int width, int height)
{
    auto* bar = new PanelStatusBar(&window);
    bar->setGeometry(0, 0, width, height);
    bar->setFont(test::barFont());
    return bar;
}

// The shaded band by row: five darkening rows on top, two pairs at the bottom.
Rgb bandColour(int y, int H)
{
    if (y < 5)
        return shade(kBack, -45 + 9 * y);
    if (y >= H - 4)
        return shade(kBack, y >= H - 2 ? -15 : -8);
    return kBack;
}

// The shaded gripper in the bottom-right 15 x 15 pixels: 2 x 2 dots ending at their points, the dark
// ones drawn last.
Rgb shadedGripper(int x, int y, int W, int H)
{
    auto inDot = [&](int dx, int dy) { return (W - x == dx || W - x == dx + 1) && (H - y == dy || H - y == dy + 1); };
    const std::pair<int, int> dots[] = { { 4, 4 }, { 8, 4 }, { 12, 4 }, { 4, 8 }, { 8, 8 }, { 4, 12 } };
    for (auto [dx, dy] : dots)
        if (inDot(dx, dy))
            return shade(kBack, -50);
    for (auto [dx, dy] : dots)
        if (inDot(dx - 1, dy - 1))
            return shade(kBack, 50);
    return y >= H - 4 ? bandColour(y, H) : kBack;
}

// Every pixel of the three empty panels at width 500 in each apperance, with and without the gripper.
TEST(StatusBarDrawing, ThreePanelsPixelByPixel)
{
    constexpr int W = 500;
    const Rgb shadow = systemColor(SysColor::ButtonShadow), highlight = systemColor(SysColor::ButtonHighlight);
    for (int apperance : { 0, 1, 2 }) {
        const int H = apperance == 0 ? 20 : 18;
        test::ThreePanelBar host(W, H, apperance, false);
        PanelStatusBar& bar = *host.bar;
        bar.setBackColor(kBack);
        EXPECT_TRUE(bar.GripperAllowed());
        EXPECT_EQ(bar.GripperRect(), (Rect { W - 15, H - 15, W, H }));
        const Rect flat[] = { { 0, 1, 184, H - 1 }, { 185, 1, 304, H - 1 }, { 305, 1, 424, H - 1 } };
        const Rect shaded[] = { { 2, 5, 183, H - 4 }, { 187, 5, 303, H - 4 }, { 307, 5, 423, H - 4 } };
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(bar.PanelRect(i + 1), apperance == 0 ? flat[i] : shaded[i]) << apperance << " " << i;
        for (bool maximised : { false, true, false }) {
            host.window.setWindowState(maximised ? Qt::WindowMaximized : Qt::WindowNoState);
            EXPECT_EQ(bar.GripperAllowed(), !maximised);
            expectPixels(bar.surface(), { 0, 0, W, H }, [&](int x, int y) {
                const bool corner = !maximised && x >= W - 15 && y >= H - 15;
                if (apperance == 0) {
                    const int k = (W - x) + (H - y);
                    if (corner)
                        return k % 5 == 0 && k <= 15 ? highlight : k % 5 >= 2 && k < 15 ? shadow : kBack;
                    for (const Rect& r : flat)
                        if (y >= 1 && y < H - 1 && x >= r.left && x < r.right
                            && (y == 1 || y == H - 2 || x == r.left || x == r.right - 1))
                            return shadow;
                    return kBack;
                }
                if (corner)
                    return shadedGripper(x, y, W, H);
                if (apperance == 1 && y >= 5 && y < H - 4) {
                    if (x == 184 || x == 304 || (x == 423 && !maximised))
                        return shade(kBack, -50);
                    if (x == 185 || x == 305 || (x == 424 && !maximised))
                        return shade(kBack, 50);
                }
                return bandColour(y, H);
            });
        }
    }
}

TEST(StatusBarDrawing, SpringPanelsShareTheRestRoundingToEven)
{
    QWidget window;
    auto* bar = bareBar(window, 400, 18);
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
    auto* bar = bareBar(window, 400, 22);
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
    auto* bar = bareBar(window, 300, H);
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

    // The masked corner pixel shows what was there.
    const int top = (H - 16) / 2;
    const Rgb red = rgb(255, 0, 0);
    const std::tuple<int, int, Rgb> pixels[] = { { 3, top, bandColour(top, H) }, { 4, top, red },
        { 3, top + 1, red }, { 18, top + 15, red }, { 19, 10, kBack }, { 2, 10, kBack },
        { 18, top + 16, bandColour(top + 16, H) } };
    for (auto [x, y, colour] : pixels)
        EXPECT_EQ(s.pixel(x, y), colour) << x << "," << y;

    // Icons and other pictures are drawn by their own transparency.
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(QColor(0, 0, 255));
    icon.setPixelColor(5, 5, QColor(0, 0, 0, 0));
    bar->setPanelPicture(2, Picture(icon, Picture::Type::Icon));
    EXPECT_EQ(s.pixel(second + 3, top + 1), rgb(0, 0, 255));
    EXPECT_EQ(s.pixel(second + 8, top + 5), kBack);
}

TEST(StatusBarDrawing, BackColorReadsBackResolvedAfterTheFirstFill)
{
    QWidget window;
    auto* bar = bareBar(window, 200, 18);
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
    auto* bar = bareBar(window, 300, 18);
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

// The straight-line shortcut of DrawPenLine covers exactly the pixels of the surface's own lines.
TEST(StatusBarDrawing, PenLinesMatchTheSurfaceLineRule)
{
    struct Line
    {
        int x1, y1, x2, y2, width;
    };
    const Line lines[] = { { 0, 0, 12, 0, 1 }, { 0, 5, 12, 5, 2 }, { 12, 7, 3, 7, 2 }, { -3, 11, 20, 11, 3 },
        { 4, 0, 4, 9, 1 }, { 6, 9, 6, 1, 2 }, { 15, -2, 15, 30, 2 }, { 8, 8, 8, 8, 2 }, { 1, 1, 9, 9, 1 },
        { 3, 3, 4, 3, 0 }, { INT_MIN, 5, INT_MAX, 5, 2 }, { INT_MAX, 6, INT_MIN, 6, 1 },
        { 7, INT_MAX, 7, INT_MIN, 2 }, { INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1 } };
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
