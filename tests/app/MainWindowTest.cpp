#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/AppFonts.h"
#include "app/ListWiring.h"
#include "app/MainWindow.h"
#include "app/ScanWiring.h"
#include "controls/button/ButtonStoredSettings.h"
#include "lists/JudgeListEditor.h"
#include "lists/ListFiles.h"
#include "platform/FileRegistryStore.h"
#include "support/FakeClipboard.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// Mouse and menu events reach the list operations, system proxy and judge editor; closing ends all once.
TEST(MainWindow, EventsReachTheOperations)
{
    QTemporaryDir dir;
    const std::string store = dir.filePath(u"registry.reg"_s).toStdString();
    const std::string judges = ListFiles::JudgeScriptsPath(); // beside this test's executable
    ASSERT_TRUE(test::writeFile(judges, "http://a/azenv.php\r\nhttp://b/prxjdg.cgi\r\n"));
    auto* clipboard = new FakeClipboard;
    auto w
        = std::make_unique<MainWindow>(MainWindow::Services { nullptr, std::unique_ptr<Clipboard>(clipboard),
            std::make_unique<FakeMessageBox>(), std::make_unique<FakeFileDialog>() });
    EXPECT_EQ(w->combo1().count(), 2);
    EXPECT_EQ(w->Combo1()->currentText(), u"http://a/azenv.php"_s) << "the judge list, first entry chosen";
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "the user cannot resize it";

    auto* wiring = new ListWiring(*w, std::make_unique<FileRegistryStore>(store), {}, judges);
    for (const std::string ip : { "10.0.0.2", "10.0.0.1", "10.0.0.2" }) {
        w->listView1().addRow({}, { ip, "8080", "3" });
        w->List2().addItem(ip + ":8080");
    }
    w->List1().addItem("1.1.1.1:80");
    // Edit's stored bold caption is drawn bold: more ink than the same button in the regular weight.
    auto* regular = new StyleButton(w->Frame3());
    ButtonStoredSettings::apply(*regular, ButtonStoredSettings::resourcePath(u"CmdEdit"_s));
    regular->setFont(AppFonts::tahoma(false));
    regular->setGeometry(w->CmdEdit()->geometry().translated(0, 30));
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const auto ink = [](const QImage& image) {
        long total = 0;
        for (int y = 2; y < image.height() - 2; ++y)
            for (int x = 2; x < image.width() - 2; ++x)
                total += 255 - qGray(image.pixel(x, y));
        return total;
    };
    EXPECT_GT(ink(w->CmdEdit()->image()), ink(regular->image()) * 6 / 5);

    // The socket count beside the slider follows it, moved by key or set.
    ScanWiring scan(*w);
    QTest::keyClick(w->Slider1(), Qt::Key_Right);
    EXPECT_EQ(w->Label3()->text(), u"Sockets [ 21 ]"_s);
    w->Slider1()->setValue(0);
    EXPECT_EQ(w->Label3()->text(), u"Sockets [ 0 ]"_s);

    // A right press on any cell selects the row first and opens the menu.
    QTreeView* view = w->ListView1();
    const QPoint second = view->visualRect(view->model()->index(1, 2)).center();
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, second);
    EXPECT_TRUE(w->listView1().selectedRow() == 1 && w->mnuFile()->isVisible());
    w->mnuFile()->hide();
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, second);
    w->mnuCopy()->trigger();
    EXPECT_EQ(clipboard->text(), "10.0.0.1:8080");
    w->mnClearP()->trigger();
    EXPECT_EQ(FileRegistryStore(store).value(SystemProxyCommands::kKeyPath, "ProxyServer")->text, "");
    w->List2().setSelectedIndex(0);
    Q_EMIT w->foundListClicked();
    EXPECT_EQ(clipboard->text(), "10.0.0.2:8080");

    // A click on the header sorts by that column (the window counts columns from 1).
    QHeaderView* header = view->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_EQ(w->listView1().sortKey(), 1);
    EXPECT_EQ(w->listView1().subItem(0, 1), "10.0.0.1");
    w->buttonMenu(4)->actions().at(0)->trigger();
    EXPECT_TRUE(w->List1().count() == 0 && w->StatusBar1()->PanelCaption(3) == u"Loaded: 0"_s);
    w->buttonMenu(6)->actions().at(2)->trigger();
    EXPECT_EQ(w->List2().count(), 2) << "Kill Duplicates";

    // Edit opens the editor on the given list; closing the window closes it.
    QTest::mouseClick(w->CmdEdit(), Qt::LeftButton);
    ASSERT_NE(wiring->judgeEditor().form(), nullptr);
    EXPECT_EQ(
        wiring->judgeEditor().form()->Text1()->toPlainText(), u"http://a/azenv.php\nhttp://b/prxjdg.cgi\n"_s);
    QWidget other;
    other.show();
    QSignalSpy unload(w.get(), &MainWindow::unloading);
    EXPECT_TRUE(
        w->close() && w->isUnloading() && !wiring->judgeEditor().form() && !w->Timer1()[0]->isEnabled());
    EXPECT_FALSE(other.isVisible()) << "other windows close with the main window";
    w->close();
    EXPECT_EQ(unload.count(), 1);
}

} // namespace
} // namespace qv
