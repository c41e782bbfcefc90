#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QWidget>

#include "StatusBarTestUtil.h"
#include "controls/statusbar/PanelStatusBar.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// The three shaded panels at width 500: rectangles (2..183), (187..303), (307..423), rows 5..13;
// the gripper at x 485..499, rows 3..17.
struct Host : test::ThreePanelBar
{
    QSignalSpy down { bar, &PanelStatusBar::MouseDownInPanel };
    QSignalSpy clicks { bar, &PanelStatusBar::Click };
    QSignalSpy doubles { bar, &PanelStatusBar::DblClick };
    std::vector<QWidget*> resized;

    Host()
        : ThreePanelBar(500, 18, 1)
    {
        bar->setResizeStarter([this](QWidget* window) { resized.push_back(window); });
    }
    void click(QPointF pos, Qt::MouseButton button = Qt::LeftButton)
    {
        test::sendMouse(bar, QEvent::MouseButtonPress, pos, button);
        test::sendMouse(bar, QEvent::MouseButtonRelease, pos, button);
    }
};

TEST(StatusBarMouse, PressAndClickInsideEnabledPanelsRaiseEvents)
{
    Host host;
    host.click({ 100, 9 });
    ASSERT_EQ(host.down.count(), 1);
    EXPECT_EQ(host.down.at(0).at(0).toInt(), 1);
    EXPECT_EQ(host.bar->CurrentPanel(), 1);
    ASSERT_EQ(host.clicks.count(), 1);
    EXPECT_EQ(host.clicks.at(0).at(0).toInt(), 1);

    host.click({ 422, 13 });
    EXPECT_EQ(host.down.last().at(0).toInt(), 3);
    EXPECT_EQ(host.clicks.last().at(0).toInt(), 3);

    // Pixel positions round to even: 1.5 lands on 2 (inside), 182.5 on 182 (inside), 183.5 on
    // 184 (the separator).
    host.click({ 1.5, 9 });
    EXPECT_EQ(host.down.count(), 3);
    host.click({ 182.5, 9 });
    EXPECT_EQ(host.down.count(), 4);
    host.click({ 183.5, 9 });
    EXPECT_EQ(host.down.count(), 4);
}

TEST(StatusBarMouse, NothingAfterAPressOutsideEveryPanelOrInADisabledOne)
{
    Host host;
    host.click({ 100, 9 });
    ASSERT_EQ(host.clicks.count(), 1);
    // Separator, band, right of the last panel, and a right-button press inside a panel.
    for (QPointF outside : { QPointF(184, 9), QPointF(100, 2), QPointF(100, 14), QPointF(450, 9) }) {
        host.click(outside);
        EXPECT_EQ(host.bar->CurrentPanel(), 0);
    }
    host.click({ 100, 9 }, Qt::RightButton);
    host.bar->setPanelEnabled(2, false);
    host.click({ 200, 9 });
    test::sendMouse(host.bar, QEvent::MouseButtonDblClick, { 200, 9 });
    EXPECT_EQ(host.down.count(), 1);
    EXPECT_EQ(host.clicks.count(), 1);
    EXPECT_EQ(host.doubles.count(), 0);

    // A panel disabled between press and release raises no click either.
    test::sendMouse(host.bar, QEvent::MouseButtonPress, { 100, 9 });
    host.bar->setPanelEnabled(1, false);
    test::sendMouse(host.bar, QEvent::MouseButtonRelease, { 100, 9 });
    EXPECT_EQ(host.down.count(), 2);
    EXPECT_EQ(host.clicks.count(), 1);
}

TEST(StatusBarMouse, DoubleClickRaisesOneClickAndOneDoubleClick)
{
    Host host;
    const QPointF pos(250, 9);
    test::sendMouse(host.bar, QEvent::MouseButtonPress, pos);
    test::sendMouse(host.bar, QEvent::MouseButtonRelease, pos);
    test::sendMouse(host.bar, QEvent::MouseButtonDblClick, pos);
    test::sendMouse(host.bar, QEvent::MouseButtonRelease, pos);
    EXPECT_EQ(host.down.count(), 1);
    EXPECT_EQ(host.clicks.count(), 1);
    ASSERT_EQ(host.doubles.count(), 1);
    EXPECT_EQ(host.doubles.at(0).at(0).toInt(), 2);
}

TEST(StatusBarMouse, GripperGivesTheSizingPointerAndStartsTheResize)
{
    Host host;
    test::sendMouse(host.bar, QEvent::MouseMove, { 495, 15 });
    EXPECT_EQ(host.bar->cursor().shape(), Qt::SizeFDiagCursor);
    test::sendMouse(host.bar, QEvent::MouseMove, { 100, 9 });
    EXPECT_NE(host.bar->cursor().shape(), Qt::SizeFDiagCursor);
    EXPECT_EQ(host.bar->toolTip(), u"tip 1"_s);
    host.bar->setPanelEnabled(3, false);
    test::sendMouse(host.bar, QEvent::MouseMove, { 400, 9 });
    EXPECT_EQ(host.bar->toolTip(), u"tip 3"_s) << "disabled panels show their tip too";
    test::sendMouse(host.bar, QEvent::MouseMove, { 184, 9 });
    EXPECT_EQ(host.bar->toolTip(), u"tip 3"_s) << "between panels the last tip stays";

    host.click({ 495, 15 }, Qt::RightButton);
    EXPECT_TRUE(host.resized.empty());
    host.click({ 495, 15 });
    ASSERT_EQ(host.resized.size(), 1u);
    EXPECT_EQ(host.resized[0], &host.window);
    EXPECT_EQ(host.down.count(), 0);
    EXPECT_EQ(host.clicks.count(), 0);

    // A gripper that is not drawn has no hot spot: maximised and widened, the old corner belongs
    // to the spring panel that now reaches across it.
    host.bar->setPanelAutoSize(3, AutoSizeMode::Spring);
    host.bar->setPanelEnabled(3, true);
    host.window.setWindowState(Qt::WindowMaximized);
    host.bar->resize(800, 18);
    test::sendMouse(host.bar, QEvent::MouseMove, { 490, 9 });
    EXPECT_NE(host.bar->cursor().shape(), Qt::SizeFDiagCursor);
    host.click({ 490, 9 });
    EXPECT_EQ(host.resized.size(), 1u);
    ASSERT_EQ(host.clicks.count(), 1);
    EXPECT_EQ(host.clicks.last().at(0).toInt(), 3);
    host.window.setWindowState(Qt::WindowNoState);
    host.click({ 795, 15 });
    EXPECT_EQ(host.resized.size(), 2u) << "drawn again in the new corner";

    host.bar->setShowGripper(false);
    test::sendMouse(host.bar, QEvent::MouseMove, { 795, 15 });
    EXPECT_NE(host.bar->cursor().shape(), Qt::SizeFDiagCursor);
    host.click({ 795, 15 });
    EXPECT_EQ(host.resized.size(), 2u);

    // A bar that is its own window has no window to resize.
    PanelStatusBar alone;
    alone.resize(200, 18);
    alone.DrawStatusBar(true);
    std::vector<QWidget*> calls;
    alone.setResizeStarter([&](QWidget* w) { calls.push_back(w); });
    test::sendMouse(&alone, QEvent::MouseButtonPress, { 195, 15 });
    EXPECT_TRUE(calls.empty());
}

} // namespace
} // namespace qv
