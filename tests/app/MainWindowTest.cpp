#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <gtest/gtest.h>

#include "app/AppFonts.h"
#include "app/MainWindow.h"
#include "controls/button/ButtonStoredSettings.h"
#include "lists/ListFiles.h"
#include "support/FakeClipboard.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"

namespace qv {
namespace {

QRect twipsRect(int x, int y, int w, int h)
{
    return { x / 15, y / 15, w / 15, h / 15 };
}

// The judge file lives beside the test executable, which has a folder of its own.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { removeJudgeFile(); }
    void TearDown() override { removeJudgeFile(); }

    static void removeJudgeFile() { QFile::remove(QString::fromStdString(ListFiles::JudgeScriptsPath())); }
    static void writeJudgeFile(const std::string& bytes)
    {
        std::ofstream out(ListFiles::JudgeScriptsPath(), std::ios::binary);
        out << bytes;
    }

    std::unique_ptr<MainWindow> open()
    {
        MainWindow::Services services;
        auto clipboard = std::make_unique<FakeClipboard>();
        auto box = std::make_unique<FakeMessageBox>();
        auto dialog = std::make_unique<FakeFileDialog>();
        m_clipboard = clipboard.get();
        m_box = box.get();
        m_dialog = dialog.get();
        services.clipboard = std::move(clipboard);
        services.messageBox = std::move(box);
        services.fileDialog = std::move(dialog);
        return std::make_unique<MainWindow>(std::move(services));
    }

    FakeClipboard* m_clipboard = nullptr;
    FakeMessageBox* m_box = nullptr;
    FakeFileDialog* m_dialog = nullptr;
};

TEST_F(MainWindowTest, WindowHasItsFixedFrame)
{
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Quorvane 1.0"));
    EXPECT_EQ(w->size(), QSize(424, 310));
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "the user cannot resize it";
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    const QList<QSize> sizes = w->windowIcon().availableSizes();
    for (int s : { 16, 32, 48 })
        EXPECT_TRUE(sizes.contains(QSize(s, s))) << s;
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_LE(std::abs(w->geometry().center().x() - screen->availableGeometry().center().x()), 1);
    EXPECT_LE(std::abs(w->geometry().center().y() - screen->availableGeometry().center().y()), 1);
}

TEST_F(MainWindowTest, ControlsSitWhereTheDesignPutsThem)
{
    auto w = open();
    EXPECT_EQ(w->Toolbar1()->geometry(), twipsRect(120, 120, 5340, 525));
    EXPECT_EQ(w->Frame3()->geometry(), twipsRect(120, 720, 6135, 975));
    EXPECT_EQ(w->Combo1()->pos(), QPoint(8, 16));
    EXPECT_EQ(w->Combo1()->width(), 5295 / 15);
    EXPECT_EQ(w->CmdEdit()->geometry(), twipsRect(5520, 240, 495, 255));
    EXPECT_EQ(w->Label3()->pos(), QPoint(120 / 15, 650 / 15));
    EXPECT_EQ(w->Slider1()->geometry(), twipsRect(1320, 650, 2895, 255));
    EXPECT_EQ(w->Label1()->pos(), QPoint(4320 / 15, 675 / 15));
    EXPECT_EQ(w->TxtTimeout()->geometry(), twipsRect(5400, 650, 615, 285));
    EXPECT_EQ(w->ListView1()->geometry(), twipsRect(120, 1800, 6135, 2415));
    EXPECT_EQ(w->StatusBar1()->geometry(), twipsRect(0, 4380, 6360, 270));
    for (QWidget* inFrame : std::initializer_list<QWidget*> {
             w->Combo1(), w->CmdEdit(), w->Label3(), w->Slider1(), w->Label1(), w->TxtTimeout() })
        EXPECT_EQ(inFrame->parentWidget(), w->Frame3()) << inFrame->objectName().toStdString();
    for (const char* name : { "Toolbar1", "Frame3", "Combo1", "CmdEdit", "Label3", "Slider1", "Label1",
             "TxtTimeout", "ListView1", "StatusBar1" })
        EXPECT_NE(w->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(MainWindowTest, ToolbarButtonsMenusAndTheirEvents)
{
    auto w = open();
    const char* captions[] = { "Start", "Stop", nullptr, "Load Proxies", nullptr, "Found Proxies" };
    const char* tips[] = { "Start Checking!", "Stop Checking", nullptr, "Load Proxy List", nullptr, "" };
    for (int i = 1; i <= 6; ++i) {
        if (!captions[i - 1]) {
            EXPECT_EQ(w->toolbarButton(i), nullptr) << "separator " << i;
            continue;
        }
        QToolButton* b = w->toolbarButton(i);
        ASSERT_NE(b, nullptr) << i;
        EXPECT_EQ(w->buttonCaption(i), QString::fromLatin1(captions[i - 1]));
        EXPECT_EQ(b->toolTip(), QString::fromLatin1(tips[i - 1]));
        EXPECT_TRUE(w->buttonEnabled(i)) << "all enabled at start";
        EXPECT_FALSE(b->icon().isNull());
    }
    EXPECT_EQ(w->toolbarButton(0), nullptr);
    EXPECT_EQ(w->toolbarButton(7), nullptr);
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(w->ImageList1(i).size(), QSize(16, 16)) << i;

    auto entries = [&](int index) {
        std::vector<std::pair<QString, QString>> list;
        if (QMenu* menu = w->buttonMenu(index)) {
            for (QAction* a : menu->actions())
                list.emplace_back(a->text(), a->data().toString());
        }
        return list;
    };
    using Entries = std::vector<std::pair<QString, QString>>;
    EXPECT_EQ(entries(4), (Entries { { QStringLiteral("Clear"), QStringLiteral("Clear") } }));
    EXPECT_EQ(entries(6),
        (Entries { { QStringLiteral("Export"), QStringLiteral("export") },
            { QStringLiteral("Clear"), QStringLiteral("clear1") },
            { QStringLiteral("Kill Duplicates"), QStringLiteral("killdupes") } }));
    EXPECT_TRUE(entries(1).empty());

    QSignalSpy clicks(w.get(), &MainWindow::toolbarButtonClicked);
    QSignalSpy menuClicks(w.get(), &MainWindow::toolbarMenuClicked);
    w->toolbarButton(4)->click();
    w->toolbarButton(6)->click();
    w->buttonMenu(6)->actions().at(2)->trigger();
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(0).at(0).toString(), QStringLiteral("Load Proxies"));
    EXPECT_EQ(clicks.at(1).at(0).toString(), QStringLiteral("Found Proxies"));
    ASSERT_EQ(menuClicks.count(), 1);
    EXPECT_EQ(menuClicks.at(0).at(0).toString(), QStringLiteral("killdupes"));

    w->setButtonEnabled(2, false);
    EXPECT_FALSE(w->buttonEnabled(2));
    w->toolbarButton(2)->click();
    EXPECT_EQ(clicks.count(), 2) << "a disabled button raises nothing";
    w->setButtonEnabled(3, false); // a separator: ignored
    EXPECT_FALSE(w->buttonEnabled(3));
}

TEST_F(MainWindowTest, ScanSettingsStartWithTheirDefaults)
{
    auto w = open();
    EXPECT_EQ(w->Frame3()->title(), QStringLiteral("Proxy Judget / Socket / Timeout Setup"));
    EXPECT_EQ(w->CmdEdit()->Caption(), QStringLiteral("Edit"));
    EXPECT_EQ(w->CmdEdit()->toolTip(), QStringLiteral("Add Script List"));
    EXPECT_TRUE(w->CmdEdit()->font().bold());
    // Drawn bold, too: more ink inside the frame than the same button in the regular weight.
    auto* regular = new StyleButton(w->Frame3());
    ButtonStoredSettings::apply(*regular, ButtonStoredSettings::resourcePath(QStringLiteral("CmdEdit")));
    regular->setFont(AppFonts::tahoma(false));
    regular->setGeometry(w->CmdEdit()->geometry().translated(0, 30));
    w->show();
    auto ink = [](const QImage& image) {
        long total = 0;
        for (int y = 2; y < image.height() - 2; ++y)
            for (int x = 2; x < image.width() - 2; ++x)
                total += 255 - qGray(image.pixel(x, y));
        return total;
    };
    EXPECT_GT(ink(w->CmdEdit()->image()), ink(regular->image()) * 6 / 5);
    EXPECT_EQ(w->Label3()->text(), QStringLiteral("Sockets [ 20 ]"));
    EXPECT_EQ(w->Label1()->text(), QStringLiteral("Timeout (MS)"));
    EXPECT_EQ(w->TxtTimeout()->text(), QStringLiteral("8000"));
    EXPECT_EQ(w->Slider1()->minimum(), 0);
    EXPECT_EQ(w->Slider1()->maximum(), 100);
    EXPECT_EQ(w->Slider1()->value(), 20);
    EXPECT_EQ(w->Slider1()->singleStep(), 1);
    EXPECT_EQ(w->Slider1()->pageStep(), 5);

    QSignalSpy scroll(w.get(), &MainWindow::socketsSliderMoved);
    QSignalSpy edit(w.get(), &MainWindow::editJudgesClicked);
    w->Slider1()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(w->Slider1()->value(), 25);
    EXPECT_EQ(scroll.count(), 1);
    EXPECT_EQ(w->Label3()->text(), QStringLiteral("Sockets [ 20 ]"))
        << "relabelling is the run control's job";
    QTest::mouseClick(w->CmdEdit(), Qt::LeftButton);
    EXPECT_EQ(edit.count(), 1);
}

TEST_F(MainWindowTest, FoundProxyViewColumnsAndEvents)
{
    auto w = open();
    QTreeView* view = w->ListView1();
    ASSERT_EQ(view->model()->columnCount(), 4);
    const QStringList headers { QString(), QStringLiteral("Proxy IP"), QStringLiteral("Proxy Port"),
        QStringLiteral("Anon Lvl") };
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(view->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    EXPECT_EQ(view->columnWidth(0), 0);
    EXPECT_EQ(view->columnWidth(1), 203);
    EXPECT_EQ(view->columnWidth(2), 96);
    EXPECT_EQ(view->columnWidth(3), 69);
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(w->listView1().rowCount(), 0);

    w->listView1().addRow("", { "1.2.3.4", "80", "3" });
    w->listView1().addRow("", { "5.6.7.8", "3128", "" });
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));

    QSignalSpy columns(w.get(), &MainWindow::foundColumnClicked);
    QHeaderView* header = view->header();
    const int x = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    ASSERT_EQ(columns.count(), 1);
    EXPECT_EQ(columns.at(0).at(0).toInt(), 3) << "1-based";
    EXPECT_EQ(w->listView1().subItem(0, 1), "1.2.3.4") << "the window does not sort by itself";

    QSignalSpy downs(w.get(), &MainWindow::foundMouseDown);
    const QRect second = view->visualRect(view->model()->index(1, 1));
    QTest::mousePress(view->viewport(), Qt::RightButton, Qt::ShiftModifier, second.center());
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).toInt(), 2);
    EXPECT_EQ(downs.at(0).at(1).toInt(), 1);
    EXPECT_EQ(w->listView1().selectedRow(), 1) << "full-row selection from any cell, before the event";
    QTest::mouseRelease(view->viewport(), Qt::RightButton, Qt::ShiftModifier, second.center());
}

TEST_F(MainWindowTest, StatusBarMenuListsAndArrays)
{
    auto w = open();
    EXPECT_EQ(w->StatusBar1()->PanelCaption(1), QStringLiteral("Status: Idle.."));
    EXPECT_EQ(w->StatusBar1()->PanelCaption(2), QStringLiteral("Good: 0"));
    EXPECT_EQ(w->StatusBar1()->PanelCaption(3), QStringLiteral("Loaded: 0"));
    EXPECT_EQ(w->StatusBar1()->PanelWidth(1), 185);
    EXPECT_EQ(w->StatusBar1()->PanelWidth(2), 120);
    EXPECT_EQ(w->StatusBar1()->PanelWidth(3), 120);
    EXPECT_FALSE(w->StatusBar1()->ShowGripper()) << "switched off at start-up";
    w->StatusBar1()->setPanelCaption(1, QStringLiteral("Status: Initiating.."));
    EXPECT_EQ(w->StatusBar1()->PanelCaption(1), QStringLiteral("Status: Initiating.."));

    EXPECT_EQ(w->mnuFile()->title(), QStringLiteral("&File"));
    EXPECT_EQ(w->mnuProxy()->text(), QStringLiteral("&Set As Default Proxy"));
    EXPECT_EQ(w->mnClearP()->text(), QStringLiteral("&Clear Proxy Support"));
    EXPECT_EQ(w->mnuCopy()->text(), QStringLiteral("&Copy Proxy"));
    EXPECT_EQ(w->mnuFile()->actions(), (QList<QAction*> { w->mnuProxy(), w->mnClearP(), w->mnuCopy() }));
    QSignalSpy proxy(w.get(), &MainWindow::setDefaultProxyClicked);
    QSignalSpy clear(w.get(), &MainWindow::clearProxyClicked);
    QSignalSpy copy(w.get(), &MainWindow::copyProxyClicked);
    w->mnuCopy()->trigger();
    w->mnuProxy()->trigger();
    EXPECT_EQ(proxy.count(), 1);
    EXPECT_EQ(clear.count(), 0);
    EXPECT_EQ(copy.count(), 1);

    EXPECT_EQ(w->List1().count(), 0);
    EXPECT_EQ(w->List2().count(), 0);
    ASSERT_EQ(w->socket().size(), 1u);
    EXPECT_EQ(w->socket()[0]->state(), TcpSocket::State::Closed);
    ASSERT_EQ(w->Timer1().size(), 1u);
    EXPECT_TRUE(w->Timer1()[0]->isEnabled());
    EXPECT_EQ(w->Timer1()[0]->interval(), 0);
    EXPECT_TRUE(w->CommonDialog1().filter().empty());
    EXPECT_EQ(&w->CommonDialog1(), m_dialog);
    EXPECT_EQ(&w->clipboard(), m_clipboard);
    EXPECT_EQ(&w->messageBox(), m_box);
}

TEST_F(MainWindowTest, JudgeListIsLoadedAndTheFirstEntrySelected)
{
    writeJudgeFile("http://a/azenv.php\r\nhttp://b/prxjdg.cgi\r\n");
    auto w = open();
    ASSERT_EQ(w->combo1().count(), 2);
    EXPECT_EQ(w->combo1().item(1), "http://b/prxjdg.cgi");
    EXPECT_EQ(w->combo1().selectedIndex(), 0);
    EXPECT_EQ(w->Combo1()->currentText(), QStringLiteral("http://a/azenv.php"));
}

TEST_F(MainWindowTest, MissingJudgeFileGivesOneEmptySelectedEntry)
{
    auto w = open();
    ASSERT_EQ(w->combo1().count(), 1);
    EXPECT_EQ(w->combo1().item(0), "");
    EXPECT_EQ(w->combo1().selectedIndex(), 0);
    EXPECT_EQ(m_box->count(), 0) << "no message";
}

TEST_F(MainWindowTest, CaptionsFitTheFixedLayout)
{
    if (!AppFonts::hasTahoma())
        GTEST_SKIP() << "the Tahoma clone (fonts-wine) is not installed";
    auto w = open();
    EXPECT_EQ(QFontInfo(w->font()).family(), QStringLiteral("Tahoma"));
    auto fits = [](QWidget* widget, const QString& text) {
        return widget->fontMetrics().horizontalAdvance(text) <= widget->width();
    };
    EXPECT_TRUE(fits(w->Label3(), QStringLiteral("Sockets [ 100 ]")));
    EXPECT_TRUE(fits(w->Label1(), w->Label1()->text()));
    EXPECT_TRUE(fits(w->CmdEdit(), w->CmdEdit()->Caption()));
    EXPECT_LE(w->Frame3()->fontMetrics().horizontalAdvance(w->Frame3()->title()) + 16, w->Frame3()->width());
    for (int i : { 1, 2, 4, 6 }) {
        QToolButton* b = w->toolbarButton(i);
        EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 4, b->width()) << i;
        EXPECT_LE(b->geometry().right(), w->Toolbar1()->width()) << i;
    }

    // For a person to look at.
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const QString dir = qEnvironmentVariable("QV_TEST_OUTPUT_DIR");
    if (!dir.isEmpty() && QDir().mkpath(dir)) {
        w->grab().save(dir + QStringLiteral("/main-window.png"));
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            w->screen()->grabWindow(0).save(dir + QStringLiteral("/main-window-screen.png"));
    }
}

TEST_F(MainWindowTest, ClosingEndsEverythingOnce)
{
    auto w = open();
    w->show();
    QWidget other;
    other.show();
    QSignalSpy unload(w.get(), &MainWindow::unloading);
    EXPECT_TRUE(w->close());
    EXPECT_EQ(unload.count(), 1);
    EXPECT_TRUE(w->isUnloading());
    EXPECT_FALSE(other.isVisible()) << "other windows close with the main window";
    EXPECT_FALSE(w->Timer1()[0]->isEnabled());
    w->close();
    EXPECT_EQ(unload.count(), 1);
}

} // namespace
} // namespace qv
