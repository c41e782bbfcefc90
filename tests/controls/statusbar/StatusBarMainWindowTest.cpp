#include <gtest/gtest.h>

#include <QCoreApplication>

#include "StatusBarTestUtil.h"
#include "app/FrmMain.h"
#include "support/FakeClipboard.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

Rgb shade(int offset)
{
    return rgb(230 + offset, 231 + offset, 235 + offset);
}

// The main window's StatusBar1 is the panel status bar, configured from its stored settings.
TEST(StatusBarMainWindow, StatusBar1ComesFromTheStoredSettings)
{
    FrmMain::Services services;
    services.clipboard = std::make_unique<FakeClipboard>();
    services.messageBox = std::make_unique<FakeMessageBox>();
    services.fileDialog = std::make_unique<FakeFileDialog>();
    FrmMain window(std::move(services));
    window.show();
    QCoreApplication::processEvents();

    panelStatusBar* bar = window.StatusBar1();
    ASSERT_EQ(bar->NumberOfPanels(), 3);
    EXPECT_FALSE(bar->ShowGripper());
    EXPECT_EQ(bar->Apperance(), 1);
    EXPECT_EQ(bar->BackColor(), rgb(230, 231, 235));
    EXPECT_EQ(bar->ForeColor(), SysColor::code(SysColor::ButtonText));
    EXPECT_EQ(bar->ForeColorDissabled(), SysColor::code(SysColor::GrayText));
    EXPECT_EQ(bar->MaskColor(), rgb(255, 0, 255));
    EXPECT_EQ(bar->size(), QSize(424, 18));
    EXPECT_EQ(bar->PanelRect(1), (Rect { 2, 5, 183, 14 }));
    EXPECT_EQ(bar->PanelRect(3), (Rect { 307, 5, 423, 14 }));

    const DrawingSurface& s = bar->surface();
    EXPECT_EQ(s.pixel(100, 0), shade(-45));
    EXPECT_EQ(s.pixel(184, 9), shade(-50));
    EXPECT_EQ(s.pixel(185, 9), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(423, 9), shade(0)) << "no gripper: nothing right of the last panel";
    EXPECT_EQ(s.pixel(420, 17), shade(-15));

    bar->setPanelCaption(1, u"Status: Checking 10.0.0.1:8080"_s);
    bar->setPanelCaption(2, u"Found: 12"_s);
    bar->setPanelCaption(3, u"Loaded: 31999"_s);
    QCoreApplication::processEvents();
    test::saveForViewing(bar->grab().toImage(), u"main-window-statusbar-scanning"_s);
    test::saveForViewing(window.grab().toImage(), u"main-window"_s);
}

} // namespace
} // namespace qv
