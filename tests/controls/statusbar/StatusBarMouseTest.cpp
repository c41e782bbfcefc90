#include <gtest/gtest.h>

#include <QWidget>

#include "StatusBarTestUtil.h"
#include "controls/statusbar/PanelStatusBar.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// The three shaded panels at width 500: rectangles (2..183), (187..303), (307..423), rows 5..13;
// the gripper at x 485..499, rows 3..17. Logs "d1" for a press in panel 1, "c1" a click, "w1" a double click.
struct Host : test::ThreePanelBar
{
    std::string log;
    std::vector<QWidget*> resized;

    Host()
        : ThreePanelBar(500, 18, 1)
    {
        bar->setResizeStarter([this](QWidget* window) { resized.push_back(window); });
        QObject::connect(bar, &PanelStatusBar::MouseDownInPanel, [this](int i) { add('d', i); });
        QObject::connect(bar, &PanelStatusBar::Click, [this](int i) { add('c', i); });
        QObject::connect(bar, &PanelStatusBar::DblClick, [this](int i) { add('w', i); });
    }
    void add(char event, int panel) { log += (log.empty() ? "" : " ") + (event + std::to_string(panel)); }
    void click(QPointF pos, Qt::MouseButton button = Qt::LeftButton)
    {
        test::sendMouse(bar, QEvent::MouseButtonPress, pos, button);
        test::sendMouse(bar, QEvent::MouseButtonRelease, pos, button);
    }
};

// Pixel positions round to even: 1.5 lands on 2 (inside), 182.5 on 182 (inside), 183.5 on 184 (the
// separator). Panel 2 is disabled.
TEST(StatusBarMouse, PressesInsideEnabledPanelsOnlyRaiseEvents)
{
    const std::tuple<QPointF, Qt::MouseButton, const char*> rows[] = { { { 100, 9 }, Qt::LeftButton, "d1 c1" },
        { { 422, 13 }, Qt::LeftButton, "d3 c3" }, { { 1.5, 9 }, Qt::LeftButton, "d1 c1" },
        { { 182.5, 9 }, Qt::LeftButton, "d1 c1" }, { { 183.5, 9 }, Qt::LeftButton, "" },
        { { 100, 14 }, Qt::LeftButton, "" }, { { 200, 9 }, Qt::LeftButton, "" }, { { 100, 9 }, Qt::RightButton, "" } };
    Host host;
    host.bar->setPanelEnabled(2, false);
    for (const auto& [at, button, events] : rows) {
        host.log.clear();
        host.click(at, button);
        EXPECT_EQ(host.log, events) << at.x() << "," << at.y();
        EXPECT_EQ(host.bar->CurrentPanel(), host.log.empty() ? 0 : host.log[1] - '0') << at.x();
    }
    host.log.clear();
    test::sendMouse(host.bar, QEvent::MouseButtonDblClick, { 200, 9 });
    host.click({ 250, 9 });
    EXPECT_EQ(host.log, "") << "nothing from a disabled panel";

    // A double click raises one click and one double click; a panel disabled between press and
    // release raises no click.
    host.bar->setPanelEnabled(2, true);
    host.click({ 250, 9 });
    test::sendMouse(host.bar, QEvent::MouseButtonDblClick, { 250, 9 });
    test::sendMouse(host.bar, QEvent::MouseButtonRelease, { 250, 9 });
    test::sendMouse(host.bar, QEvent::MouseButtonPress, { 100, 9 });
    host.bar->setPanelEnabled(1, false);
    test::sendMouse(host.bar, QEvent::MouseButtonRelease, { 100, 9 });
    EXPECT_EQ(host.log, "d2 c2 w2 d1");
}

// The gripper gives the sizing pointer and starts the window's resize; tips follow the pointer.
TEST(StatusBarMouse, GripperGivesTheSizingPointerAndStartsTheResize)
{
    Host host;
    auto sizingAt = [&](QPointF at) {
        test::sendMouse(host.bar, QEvent::MouseMove, at);
        return host.bar->cursor().shape() == Qt::SizeFDiagCursor;
    };
    EXPECT_TRUE(sizingAt({ 495, 15 }));
    EXPECT_FALSE(sizingAt({ 100, 9 }));
    EXPECT_EQ(host.bar->toolTip(), u"tip 1"_s);
    host.bar->setPanelEnabled(3, false);
    sizingAt({ 400, 9 });
    EXPECT_EQ(host.bar->toolTip(), u"tip 3"_s) << "disabled panels show their tip too";

    host.click({ 495, 15 }, Qt::RightButton);
    host.click({ 495, 15 });
    EXPECT_EQ(host.resized, std::vector<QWidget*> { &host.window });
    EXPECT_EQ(host.log, "");

    // A gripper that is not drawn has no hot spot: maximised and widened, the old corner belongs to
    // the spring panel that now reaches across it.
    host.bar->setPanelAutoSize(3, AutoSizeMode::Spring);
    host.bar->setPanelEnabled(3, true);
    host.window.setWindowState(Qt::WindowMaximized);
    host.bar->resize(800, 18);
    EXPECT_FALSE(sizingAt({ 490, 9 }));
    host.click({ 490, 9 });
    EXPECT_EQ(host.resized.size(), 1u);
    EXPECT_EQ(host.log, "d3 c3");
    host.window.setWindowState(Qt::WindowNoState);
    host.click({ 795, 15 });
    EXPECT_EQ(host.resized.size(), 2u) << "drawn again in the new corner";
    host.bar->setShowGripper(false);
    EXPECT_FALSE(sizingAt({ 795, 15 }));
    host.click({ 795, 15 });
    EXPECT_EQ(host.resized.size(), 2u);

    // A bar that is its own window has no window to resize.
    PanelStatusBar alone;
    alone.resize(200, 18);
    alone.DrawStatusBar(true);
    alone.setResizeStarter([](QWidget*) { ADD_FAILURE() << "a resize without a window"; });
    test::sendMouse(&alone, QEvent::MouseButtonPress, { 195, 15 });
}

} // namespace
} // namespace qv
