#include <gtest/gtest.h>

#include "ButtonTestSupport.h"

using namespace qv;

TEST(ButtonGeometry, RegionCutsExactlyTheCornerPixels)
{
    const std::vector<QPoint> four { { 0, 0 }, { 19, 0 }, { 0, 9 }, { 19, 9 } };
    const std::vector<QPoint> twelve { { 0, 0 }, { 1, 0 }, { 0, 1 }, { 18, 0 }, { 19, 0 }, { 19, 1 }, { 0, 9 },
        { 1, 9 }, { 0, 8 }, { 18, 9 }, { 19, 9 }, { 19, 8 } };
    const std::pair<int, std::vector<QPoint>> rows[] = { { 1, four }, { 14, four },
        { 5, { { 0, 9 }, { 19, 0 } } }, { 3, twelve }, { 4, twelve }, { 2, {} }, { 7, {} }, { 11, {} },
        { 0, {} }, { 15, {} } };
    for (const auto& [style, cut] : rows) {
        ButtonRenderer r;
        test::setUpRenderer(r, style, 20, 10);
        const QRegion region = r.makeRegion();
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                EXPECT_EQ(region.contains(QPoint(x, y)), std::ranges::find(cut, QPoint(x, y)) == cut.end())
                    << "style " << style << " at " << x << "," << y;
    }
    // The ellipse is the inscribed one.
    ButtonRenderer r;
    test::setUpRenderer(r, 13, 40, 20);
    const QRegion region = r.makeRegion();
    for (QPoint in : { QPoint(20, 10), QPoint(1, 10), QPoint(20, 1) })
        EXPECT_TRUE(region.contains(in)) << in.x() << "," << in.y();
    for (QPoint out : { QPoint(0, 0), QPoint(39, 19), QPoint(3, 2), QPoint(40, 10) })
        EXPECT_FALSE(region.contains(out)) << out.x() << "," << out.y();
}

TEST(ButtonGeometry, FocusInsetsPerStyle)
{
    const Rect wide { 4, 4, 56, 20 }, narrow { 3, 3, 57, 21 };
    const std::pair<int, Rect> rows[] = { { 1, wide }, { 2, wide }, { 6, wide }, { 7, narrow }, { 10, narrow },
        { 13, narrow }, { 14, { 6, 6, 56, 20 } }, { 20, wide } };
    for (const auto& [style, expected] : rows) {
        ButtonRenderer r;
        test::setUpRenderer(r, style, 60, 24);
        EXPECT_EQ(r.focusRect(), expected) << "style " << style;
    }
}

TEST(ButtonGeometry, CaptionIsCentredAndPressedCopyMovesByOne)
{
    ButtonRenderer r;
    test::setUpRenderer(r, 7, 100, 30, QStringLiteral("Edit"));
    const Rect c = r.captionRect();
    EXPECT_GT(c.width(), 0);
    EXPECT_EQ(c.width(), r.captionWidth());
    EXPECT_EQ(c.height(), r.captionHeight());
    EXPECT_LE(std::abs(c.left - (100 - c.right)), 3);
    EXPECT_LE(std::abs(c.top - (30 - c.bottom)), 3);
    EXPECT_EQ(r.pressedCaptionRect(), c.translated(1, 1));
}

// Picture (16 x 16) and caption side by side in a 120 x 60 button, for each picture position.
TEST(ButtonGeometry, PictureAndCaptionSitSideBySide)
{
    constexpr int W = 120, H = 60;
    ImageSurface measure;
    measure.setFont(test::pinnedFont());
    const Rect text = measure.measureText(QStringLiteral("Go"), { 0, 0, 200, 200 }, TextFormat::WordBreak);
    const int tw = text.width(), th = text.height();
    for (int pos = 0; pos <= 4; ++pos) {
        ButtonRenderer r;
        r.settings().pictureNormal = test::samplePicture(16);
        r.settings().picturePosition = pos;
        test::setUpRenderer(r, 7, W, H, QStringLiteral("Go"));
        ASSERT_EQ(r.pictureSize(), QSize(16, 16));
        const Rect c = r.captionRect();
        const QPoint p = r.pictureOrigin();
        EXPECT_EQ(c.width(), tw);
        EXPECT_EQ(c.height(), th);
        // Caption left/top (whichever the position decides) and the picture's origin.
        const std::pair<int, QPoint> want[] = {
            { 17 + (W - 17 - tw) / 2, { c.left - 20, (H - 16) / 2 } },
            { 1 + (W - 1 - tw - 16 - 4) / 2, { c.right + 4, (H - 16) / 2 } },
            { 17 + (H - 17 - th) / 2, { (W - 16) / 2, c.top - 18 } },
            { 1 + (H - 1 - th - 16 - 4) / 2, { (W - 16) / 2, c.bottom + 2 } },
            { 1 + (W - 1 - tw) / 2, { (W - 16) / 2, (H - 16) / 2 } },
        };
        EXPECT_EQ(pos == 2 || pos == 3 ? c.top : c.left, want[pos].first) << pos;
        EXPECT_EQ(p, want[pos].second) << pos;
        if (pos == 0) {
            EXPECT_EQ(c.top, 1 + (H - 1 - th) / 2);
        }
        // The picture never covers the caption unless it is meant to lie behind it.
        EXPECT_EQ(QRect(p, QSize(16, 16)).intersects(QRect(c.left, c.top, c.width(), c.height())), pos == 4);
    }
    for (const QString& blank : { QString(), QStringLiteral("   ") }) {
        ButtonRenderer r;
        r.settings().pictureNormal = test::samplePicture(16);
        test::setUpRenderer(r, 7, 60, 30, blank);
        EXPECT_EQ(r.pictureOrigin(), QPoint(22, 7)) << "a blank caption centres the picture";
    }
}

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
    EXPECT_EQ(r.surface().pixel(0, 10), test::Grey::Shadow);
    r.setShown(false);
    EXPECT_FALSE(r.redraw(2, true));

    ButtonRenderer flat;
    test::setUpRenderer(flat, 7, 60, 0);
    EXPECT_FALSE(flat.redraw(0, true));
}
