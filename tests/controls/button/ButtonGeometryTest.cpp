#include <gtest/gtest.h>

#include "ButtonTestSupport.h"

using namespace qv;

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
