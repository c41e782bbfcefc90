#include <gtest/gtest.h>

#include <QFile>
#include <QWidget>

#include "StatusBarTestUtil.h"
#include "controls/statusbar/panelStatusBar.h"
#include "platform/gui/PropertyStore.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// The main window's stored status bar settings, as the program loads them at start-up.
TEST(StatusBarStoredSettings, MainWindowBarLoadsItsThreePanels)
{
    QFile file(QStringLiteral(QV_SOURCE_DIR "/app/resources/settings/FrmMain.StatusBar1.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    MemoryPropertyStore store;
    QString error;
    ASSERT_TRUE(store.fromText(QString::fromUtf8(file.readAll()), &error)) << error.toStdString();
    for (const QString& key : store.keys())
        EXPECT_EQ(key, key.toLower());

    test::barFont(); // the Tahoma clone, when installed
    QWidget window;
    auto* bar = new panelStatusBar(&window);
    bar->setGeometry(0, 292, 424, 18);
    bar->ReadProperties(store);
    EXPECT_TRUE(bar->ShowGripper());
    bar->setShowGripper(false);

    EXPECT_EQ(bar->BackColor(), rgb(230, 231, 235));
    EXPECT_EQ(bar->ForeColor(), SysColor::code(SysColor::ButtonText));
    EXPECT_EQ(bar->ForeColorDissabled(), SysColor::code(SysColor::GrayText));
    EXPECT_EQ(bar->MaskColor(), rgb(255, 0, 255));
    EXPECT_EQ(bar->Apperance(), 1);
    EXPECT_EQ(bar->Font().family(), u"Tahoma"_s);
    EXPECT_DOUBLE_EQ(bar->Font().pointSizeF(), 8.25);
    ASSERT_EQ(bar->NumberOfPanels(), 3);
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
    EXPECT_EQ(bar->PanelRect(3), (Rect { 307, 5, 423, 14 }));
    EXPECT_EQ(bar->surface().pixel(423, 9), rgb(230, 231, 235)) << "no gripper lines once switched off";
    test::saveForViewing(bar->surface().image(), u"main-window-stored"_s);
}

} // namespace
} // namespace qv
