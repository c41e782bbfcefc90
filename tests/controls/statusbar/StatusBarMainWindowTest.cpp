#include <gtest/gtest.h>

#include <QCoreApplication>

#include "StatusBarTestUtil.h"
#include "app/MainWindow.h"
#include "app/StoredSettings.h"
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
    const MemoryPropertyStore stored = StoredSettings::load(u"MainWindow.StatusBar1"_s);
    EXPECT_EQ(stored.keys().size(), 26);
    for (const QString& key : stored.keys())
        EXPECT_EQ(key, key.toLower());
    EXPECT_EQ(stored.readBool(u"showgripper"_s), true) << "the window's start-up switches it off";
    EXPECT_EQ(stored.readFont(u"font"_s)->family(), u"Tahoma"_s);
    EXPECT_EQ(stored.readFont(u"font"_s)->pointSizeF(), 8.25);

    MainWindow::Services services;
    services.clipboard = std::make_unique<FakeClipboard>();
    services.messageBox = std::make_unique<FakeMessageBox>();
    services.fileDialog = std::make_unique<FakeFileDialog>();
    MainWindow window(std::move(services));
    window.show();
    QCoreApplication::processEvents();

    PanelStatusBar* bar = window.StatusBar1();
    ASSERT_EQ(bar->NumberOfPanels(), 3);
    EXPECT_FALSE(bar->ShowGripper());
    EXPECT_EQ(bar->Apperance(), 1);
    EXPECT_EQ(bar->BackColor(), rgb(230, 231, 235));
    EXPECT_EQ(bar->ForeColor(), SysColor::code(SysColor::ButtonText));
    EXPECT_EQ(bar->ForeColorDissabled(), SysColor::code(SysColor::GrayText));
    EXPECT_EQ(bar->MaskColor(), rgb(255, 0, 255));
    EXPECT_EQ(bar->size(), QSize(424, 18));
    const QString captions[] = { u"Status: Idle.."_s, u"Good: 0"_s, u"Loaded: 0"_s };
    const int widths[] = { 185, 120, 120 };
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(bar->PanelCaption(i), captions[i - 1]);
        EXPECT_EQ(bar->PanelWidth(i), widths[i - 1]);
        EXPECT_EQ(bar->MinWidth(i), widths[i - 1]);
        EXPECT_EQ(bar->PanelAutoSize(i), AutoSizeMode::NoAutoSize);
        EXPECT_TRUE(bar->PanelEnabled(i));
        EXPECT_TRUE(bar->ToolTipText(i).isEmpty());
        EXPECT_TRUE(bar->PanelPicture(i).isNull());
    }
    EXPECT_EQ(bar->PanelRect(1), (Rect { 2, 5, 183, 14 }));
    EXPECT_EQ(bar->PanelRect(3), (Rect { 307, 5, 423, 14 }));

    const DrawingSurface& s = bar->surface();
    EXPECT_EQ(s.pixel(100, 0), shade(-45));
    EXPECT_EQ(s.pixel(184, 9), shade(-50));
    EXPECT_EQ(s.pixel(185, 9), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(423, 9), shade(0)) << "no gripper: nothing right of the last panel";
    EXPECT_EQ(s.pixel(420, 17), shade(-15));

    test::saveForViewing(bar->grab().toImage(), u"main-window-statusbar"_s);
    bar->setPanelCaption(1, u"Status: Checking 10.0.0.1:8080"_s);
    bar->setPanelCaption(2, u"Found: 12"_s);
    bar->setPanelCaption(3, u"Loaded: 31999"_s);
    QCoreApplication::processEvents();
    test::saveForViewing(bar->grab().toImage(), u"main-window-statusbar-scanning"_s);
    test::saveForViewing(window.grab().toImage(), u"main-window"_s);
}

} // namespace
} // namespace qv
