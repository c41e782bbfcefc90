#include <gtest/gtest.h>

#include <QPainter>
#include <QWidget>
#include <climits>
#include <functional>

#include "StatusBarTestUtil.h"
#include "support/ControlsReferenceImage.h"
#include "controls/statusbar/PanelPainter.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "platform/gui/ImageSurface.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

constexpr Rgb kBack = rgb(230, 231, 235);

// An empty bar of the given size on the window.
PanelStatusBar* bareBar(QWidget& window, int width, int height)
{
    auto* bar = new PanelStatusBar(&window);
    bar->setGeometry(0, 0, width, height);
    bar->setFont(test::barFont());
    return bar;
}

// Top six: the program's three panels (the second disabled, the third with a picture whose corner
// pixel is the mask colour) in apperance 0, 1 (with captions) and 2, each with the gripper and then
// maximised without it. Last: a Contents panel with picture and caption, an icon with a transparent pixel, a
// spring panel whose caption is cut short, and a panel at its minimum width.
TEST(StatusBarDrawing, EveryApperanceMatchesTheReference)
{
    QImage gallery(500, 7 * 24, QImage::Format_RGB32);
    gallery.fill(Qt::white);
    QPainter painter(&gallery);
    int y = 0;
    for (int apperance : { 0, 1, 2 }) {
        test::ThreePanelBar host(500, 22, apperance, apperance == 1);
        host.bar->setBackColor(kBack);
        host.bar->setPanelEnabled(2, false);
        host.bar->setPanelPicture(3, test::maskedBitmap(16, 16, Qt::red));
        for (bool maximised : { false, true }) {
            host.window.setWindowState(maximised ? Qt::WindowMaximized : Qt::WindowNoState);
            EXPECT_EQ(host.bar->GripperAllowed(), !maximised);
            painter.drawImage(0, y, host.bar->surface().image());
            y += 24;
        }
    }
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(QColor(0, 0, 255));
    icon.setPixelColor(5, 5, QColor(0, 0, 0, 0));
    QWidget window;
    PanelStatusBar* bar = bareBar(window, 400, 22);
    bar->setApperance(1);
    bar->AddPanel(0, u"Abc"_s, QString(), true, AutoSizeMode::Contents, test::maskedBitmap(16, 16, Qt::red));
    bar->AddPanel(80, u"Icon"_s, QString(), true, AutoSizeMode::NoAutoSize, Picture(icon, Picture::Type::Icon));
    bar->AddPanel(0, u"Spring panel with a long caption that will not fit"_s, QString(), true, AutoSizeMode::Spring);
    bar->AddPanel(0, u"Minimum"_s, QString(), true, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(2, 80);
    bar->setMinWidth(4, 90);
    painter.drawImage(0, y, bar->surface().image());
    painter.end();
    EXPECT_TRUE(test::matchesReference(gallery, QStringLiteral(QV_STATUSBAR_REFERENCE_DIR "/statusbar-looks.png")));
}

// Flat panels lie edge to edge; shaded ones are inset below the band.
TEST(StatusBarDrawing, PanelRectangles)
{
    for (int apperance : { 0, 1, 2 }) {
        test::ThreePanelBar host(500, 18, apperance);
        const Rect flat[] = { { 0, 1, 184, 17 }, { 185, 1, 304, 17 }, { 305, 1, 424, 17 } };
        const Rect shaded[] = { { 2, 5, 183, 14 }, { 187, 5, 303, 14 }, { 307, 5, 423, 14 } };
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(host.bar->PanelRect(i + 1), apperance ? shaded[i] : flat[i]) << apperance << " " << i;
        EXPECT_EQ(host.bar->GripperRect(), (Rect { 485, 3, 500, 18 }));
        // Resized one side at a time, the bar draws over all of its new size.
        for (QSize size : { QSize(600, 18), QSize(600, 20) }) {
            host.bar->resize(size);
            host.bar->DrawStatusBar(true);
            EXPECT_EQ(host.bar->surface().image().size(), size);
        }
        EXPECT_EQ(host.bar->GripperRect(), (Rect { 585, 5, 600, 20 }));
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

// The back colour reads back resolved once the first panel is filled.
TEST(StatusBarDrawing, ContentsPanelsFollowPictureAndCaption)
{
    QWidget window;
    auto* bar = bareBar(window, 400, 22);
    bar->DrawStatusBar(true);
    EXPECT_EQ(bar->BackColor(), 0x8000000Fu) << "no panel, no fill";
    bar->AddPanel(77, QString(), QString(), true, AutoSizeMode::Contents);
    EXPECT_EQ(bar->BackColor(), systemColor(SysColor::ButtonFace));
    EXPECT_EQ(bar->PanelWidth(1), 0);
    bar->setPanelPicture(1, test::maskedBitmap(16, 16, Qt::red));
    EXPECT_EQ(bar->PanelWidth(1), 22) << "round(15.99 + 6)";
    bar->setPanelPicture(1, Picture());
    // Prefix characters count as they are measured, not as drawn (a caption beside a picture is in
    // the reference picture).
    bar->setPanelCaption(1, u"A&b"_s);
    EXPECT_EQ(bar->PanelWidth(1), bar->surface().textWidth(u"A&b"_s) + 12);
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
        EXPECT_EQ(viaHelper.image(), direct.image()) << l.x1 << "," << l.y1 << " w" << l.width;
    }
    // The surface takes rectangles reaching to the limits of int as the parts it shows.
    ImageSurface surface(16, 14);
    surface.frameRect({ INT_MIN, 2, INT_MAX, 5 }, rgb(200, 10, 10));
    EXPECT_EQ(surface.pixel(3, 4), rgb(200, 10, 10));
    surface.drawText(u"x"_s, { INT_MIN, INT_MIN, INT_MAX, INT_MAX }, TextFormat::WordEllipsis, 0);
    surface.drawFocusRect({ INT_MIN, 8, INT_MAX, 10 }, 0);
}

} // namespace
} // namespace qv
