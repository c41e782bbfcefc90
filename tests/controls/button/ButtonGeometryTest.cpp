#include <gtest/gtest.h>

#include "ButtonTestSupport.h"

using namespace qv;

namespace {

struct RegionCase
{
    int style;
    std::vector<QPoint> cut;
};

class ButtonRegion : public testing::TestWithParam<RegionCase>
{
};

} // namespace

TEST_P(ButtonRegion, CutsExactlyTheCornerPixels)
{
    const RegionCase& c = GetParam();
    ButtonRenderer r;
    test::setUpRenderer(r, c.style, 20, 10);
    const QRegion region = r.makeRegion();
    int inside = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool expectedCut = std::find(c.cut.begin(), c.cut.end(), QPoint(x, y)) != c.cut.end();
            EXPECT_EQ(region.contains(QPoint(x, y)), !expectedCut)
                << "style " << c.style << " at " << x << "," << y;
            inside += region.contains(QPoint(x, y)) ? 1 : 0;
        }
    EXPECT_EQ(inside, 200 - static_cast<int>(c.cut.size()));
}

INSTANTIATE_TEST_SUITE_P(Styles, ButtonRegion,
    testing::Values(RegionCase { 1, { { 0, 0 }, { 19, 0 }, { 0, 9 }, { 19, 9 } } },
        RegionCase { 14, { { 0, 0 }, { 19, 0 }, { 0, 9 }, { 19, 9 } } },
        RegionCase { 5, { { 0, 9 }, { 19, 0 } } },
        RegionCase { 3,
            { { 0, 0 }, { 1, 0 }, { 0, 1 }, { 18, 0 }, { 19, 0 }, { 19, 1 }, { 0, 9 }, { 1, 9 }, { 0, 8 },
                { 18, 9 }, { 19, 9 }, { 19, 8 } } },
        RegionCase { 4,
            { { 0, 0 }, { 1, 0 }, { 0, 1 }, { 18, 0 }, { 19, 0 }, { 19, 1 }, { 0, 9 }, { 1, 9 }, { 0, 8 },
                { 18, 9 }, { 19, 9 }, { 19, 8 } } },
        RegionCase { 2, {} }, RegionCase { 7, {} }, RegionCase { 11, {} }, RegionCase { 0, {} },
        RegionCase { 15, {} }));

TEST(ButtonRegionEllipse, IsTheInscribedEllipse)
{
    ButtonRenderer r;
    test::setUpRenderer(r, 13, 40, 20);
    const QRegion region = r.makeRegion();
    EXPECT_TRUE(region.contains(QPoint(20, 10)));
    EXPECT_TRUE(region.contains(QPoint(1, 10)));
    EXPECT_TRUE(region.contains(QPoint(20, 1)));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_FALSE(region.contains(QPoint(39, 19)));
    EXPECT_FALSE(region.contains(QPoint(3, 2)));
    EXPECT_FALSE(region.contains(QPoint(40, 10)));
}

TEST(ButtonGeometry, FocusInsetsPerStyle)
{
    const std::vector<std::pair<int, Rect>> cases = {
        { 1, { 4, 4, 56, 20 } },
        { 2, { 4, 4, 56, 20 } },
        { 6, { 4, 4, 56, 20 } },
        { 7, { 3, 3, 57, 21 } },
        { 10, { 3, 3, 57, 21 } },
        { 13, { 3, 3, 57, 21 } },
        { 14, { 6, 6, 56, 20 } },
        { 20, { 4, 4, 56, 20 } },
    };
    for (const auto& [style, expected] : cases) {
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

namespace {

struct PlacementCase
{
    int position;
    const char* name;
};

class CaptionPlacement : public testing::TestWithParam<PlacementCase>
{
};

} // namespace

TEST_P(CaptionPlacement, PictureAndCaptionSitSideBySide)
{
    const int W = 120;
    const int H = 60;
    const int pos = GetParam().position;
    ButtonRenderer r;
    r.settings().pictureNormal = test::samplePicture(16);
    r.settings().picturePosition = pos;
    test::setUpRenderer(r, 7, W, H, QStringLiteral("Go"));
    ASSERT_EQ(r.pictureSize(), QSize(16, 16));

    ImageSurface measure;
    measure.setFont(test::pinnedFont());
    const Rect text = measure.measureText(QStringLiteral("Go"), { 0, 0, 200, 200 }, TextFormat::WordBreak);
    const int tw = text.width();
    const int th = text.height();
    const Rect c = r.captionRect();
    const QPoint p = r.pictureOrigin();
    EXPECT_EQ(c.width(), tw);
    EXPECT_EQ(c.height(), th);
    switch (pos) {
    case 0: // start (17, 1), centred on the whole width
        EXPECT_EQ(c.left, 17 + (W - 17 - tw) / 2);
        EXPECT_EQ(c.top, 1 + (H - 1 - th) / 2);
        EXPECT_EQ(p, QPoint(c.left - 20, (H - 16) / 2));
        break;
    case 1:
        EXPECT_EQ(c.left, 1 + (W - 1 - tw - 16 - 4) / 2);
        EXPECT_EQ(p, QPoint(c.right + 4, (H - 16) / 2));
        break;
    case 2:
        EXPECT_EQ(c.top, 17 + (H - 17 - th) / 2);
        EXPECT_EQ(p, QPoint((W - 16) / 2, c.top - 18));
        break;
    case 3:
        EXPECT_EQ(c.top, 1 + (H - 1 - th - 16 - 4) / 2);
        EXPECT_EQ(p, QPoint((W - 16) / 2, c.bottom + 2));
        break;
    case 4:
        EXPECT_EQ(c.left, 1 + (W - 1 - tw) / 2);
        EXPECT_EQ(p, QPoint((W - 16) / 2, (H - 16) / 2));
        break;
    }
    // The picture never covers the caption unless it is meant to lie behind it.
    const QRect picture(p, QSize(16, 16));
    const QRect caption(c.left, c.top, c.width(), c.height());
    EXPECT_EQ(picture.intersects(caption), pos == 4);
}

INSTANTIATE_TEST_SUITE_P(Positions, CaptionPlacement,
    testing::Values(PlacementCase { 0, "Left" }, PlacementCase { 1, "Right" }, PlacementCase { 2, "Top" },
        PlacementCase { 3, "Bottom" }, PlacementCase { 4, "Behind" }),
    [](const testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST(ButtonGeometry, BlankCaptionCentresThePicture)
{
    for (const QString& caption : { QString(), QStringLiteral("   ") }) {
        ButtonRenderer r;
        r.settings().pictureNormal = test::samplePicture(16);
        r.settings().picturePosition = 0;
        test::setUpRenderer(r, 7, 60, 30, caption);
        EXPECT_EQ(r.pictureOrigin(), QPoint(22, 7));
    }
}

TEST(ButtonRedraw, SkipsUnchangedPaintsAndZeroHeight)
{
    ButtonRenderer r;
    test::setUpRenderer(r, 7, 60, 24);
    EXPECT_TRUE(r.redraw(2, false));
    EXPECT_FALSE(r.redraw(2, false));
    EXPECT_TRUE(r.redraw(2, true));
    EXPECT_TRUE(r.redraw(0, false));
    r.settings().caption = QStringLiteral("New");
    EXPECT_TRUE(r.redraw(0, false));

    r.setShown(false);
    EXPECT_FALSE(r.redraw(2, true));

    ButtonRenderer flat;
    test::setUpRenderer(flat, 7, 60, 0);
    EXPECT_FALSE(flat.redraw(0, true));
}

TEST(ButtonRedraw, CheckedValueTurnsNormalIntoPressed)
{
    ButtonRenderer r;
    test::setUpRenderer(r, 7, 60, 24);
    r.settings().checkBoxBehaviour = true;
    r.settings().value = true;
    r.redraw(0, true);
    EXPECT_EQ(r.lastState(), 2);
    EXPECT_EQ(r.surface().pixel(0, 10), test::Grey::Shadow);
}
