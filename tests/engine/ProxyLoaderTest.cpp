// Load Proxies on the fake loop: the limit, the line rules, errors, and what happens while it
// yields to a running scan.
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

#include "engine/FakeScanView.h"
#include "engine/PlainListView.h"
#include "engine/ProxyLoader.h"
#include "engine/ScanEngine.h"
#include "platform/FileDialog.h"
#include "platform/MemoryListBox.h"
#include "support/FakeEventLoop.h"

namespace qv {
namespace {

using test::FakeEventLoop;
using test::PeerScript;

class ScriptedDialog final : public FileDialog {
public:
    void setFilter(const std::string& f) override { filter_ = f; }
    std::string filter() const override { return filter_; }
    void setFileName(const std::string& path) override { name = path; }
    std::string fileName() const override { return name; }
    void setDialogTitle(const std::string&) override { }
    void setDefaultExt(const std::string&) override { }
    bool showOpen() override
    {
        ++shown;
        if (!next)
            return false;
        name = *next;
        return true;
    }
    bool showSave() override { return false; }

    std::optional<std::string> next;
    std::string filter_;
    std::string name = "previous.txt";
    int shown = 0;
};

class Loading : public testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string lines(int from, int count)
    {
        std::string text;
        for (int i = from; i < from + count; ++i)
            text += "10.2." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ":3128\r\n";
        return text;
    }

    QTemporaryDir dir;
    FakeEventLoop loop;
    test::FakeScanView view;
    MemoryListBox list1;
    MemoryListBox list2;
    PlainListView found;
    ScanEngine engine { loop, view, list1, list2, found };
    ProxyLoader loader { loop, view, list1, engine };
    ScriptedDialog dialog;
};

TEST_F(Loading, LinesAreTakenUnchanged)
{
    dialog.next = write("a.txt", "1.2.3.4:80\r\n\r\nno colon\rlf\ninside\r\nlast:1");
    view.buttons[ScanView::kStartButton] = false;
    loader.loadProxies(dialog);
    EXPECT_EQ(dialog.filter(), "Text Files|*.txt|All Files|*.*");
    ASSERT_EQ(list1.count(), 6);
    EXPECT_EQ(list1.item(0), "1.2.3.4:80");
    EXPECT_EQ(list1.item(1), "");
    EXPECT_EQ(list1.item(2), "no colon");
    EXPECT_EQ(list1.item(3), "lf");
    EXPECT_EQ(list1.item(4), "inside");
    EXPECT_EQ(list1.item(5), "last:1");
    EXPECT_EQ(view.panel(3), "Loaded: 6");
    EXPECT_EQ(list1.selectedIndex(), 0);
    EXPECT_TRUE(view.isButtonEnabled(ScanView::kStartButton));
    EXPECT_EQ(view.panel(1), "");
}

TEST_F(Loading, CancelledDialogLoadsNothing)
{
    loader.loadProxies(dialog);
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_EQ(list1.count(), 0);
    EXPECT_TRUE(view.log.empty());
}

TEST_F(Loading, StopsAt32000AndAddsOneMoreLineToAFullList)
{
    const std::string big = write("big.txt", lines(0, 40000));
    EXPECT_EQ(loader.loadFile(big), ProxyLoader::Result::LimitReached);
    EXPECT_EQ(list1.count(), 32000);
    EXPECT_EQ(view.panel(3), "Loaded: 32000");
    EXPECT_EQ(view.panel(1), "Status: Limit 32k Reached.");
    EXPECT_EQ(list1.selectedIndex(), 0);
    EXPECT_TRUE(view.isButtonEnabled(ScanView::kStartButton));
    EXPECT_EQ(list1.item(31999), "10.2.127.249:3128");

    view.panels.clear();
    EXPECT_EQ(loader.loadFile(write("more.txt", lines(50000, 10))), ProxyLoader::Result::LimitReached);
    EXPECT_EQ(list1.count(), 32001);
    EXPECT_EQ(view.panel(1), "Status: Limit 32k Reached.");
}

TEST_F(Loading, UnreadableFileIsReportedAndEarlierEntriesStay)
{
    list1.addItem("kept:1");
    EXPECT_EQ(loader.loadFile(dir.filePath(QStringLiteral("missing.txt")).toStdString()),
        ProxyLoader::Result::Failed);
    EXPECT_FALSE(loader.errorString().empty());
    EXPECT_EQ(view.panel(1), "Status: " + loader.errorString());
    EXPECT_EQ(list1.count(), 1);

    EXPECT_EQ(loader.loadFile(dir.path().toStdString()), ProxyLoader::Result::Failed);
    EXPECT_EQ(view.panel(1).rfind("Status: ", 0), 0u);
    EXPECT_GT(view.panel(1).size(), 8u);
    EXPECT_EQ(list1.count(), 1);
}

TEST_F(Loading, BinaryJunkAndHugeLinesCannotExhaustMemory)
{
    std::string junk(300000, '\0');
    for (std::size_t i = 0; i < junk.size(); i += 7)
        junk[i] = static_cast<char>(i & 0xff);
    loader.loadFile(write("junk.bin", junk));
    std::size_t total = 0;
    for (int i = 0; i < list1.count(); ++i)
        total += list1.item(i).size();
    EXPECT_LE(total, junk.size());
    EXPECT_GT(list1.count(), 0);
}

// The scan goes on while a file loads: during each yield the clock moves on and the sockets
// finish checks and take entries that have just been loaded.
TEST_F(Loading, ScanRunsDuringTheYieldsOfALoad)
{
    view.slider = 4;
    for (int i = 0; i < 3000; ++i)
        loop.setPeer("10.2." + std::to_string(i / 250) + "." + std::to_string(i % 250), 3128,
            PeerScript::answering("Comment", 3));
    list1.addItem("10.2.0.0:3128");
    int ended = 0;
    ScanEngine::Hooks hooks;
    hooks.scanEnded = [&] { ++ended; };
    engine.setHooks(hooks);
    engine.start();
    int rowsWhenLoadEnded = -1;
    loop.onYield = [&] { loop.advanceBy(2); };
    const std::string path = write("run.txt", lines(1, 2999));
    EXPECT_EQ(loader.loadFile(path), ProxyLoader::Result::Loaded);
    rowsWhenLoadEnded = found.rowCount();
    EXPECT_GT(loop.yieldCount(), 2999 / ProxyLoader::kYieldEvery - 1);
    EXPECT_GT(rowsWhenLoadEnded, 50);
    EXPECT_LT(rowsWhenLoadEnded, 3000);
    EXPECT_FALSE(view.isButtonEnabled(ScanView::kStartButton)); // still running: Start stays off
    loop.onYield = nullptr;
    loop.runUntilIdle();
    EXPECT_EQ(found.rowCount(), 3000);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(view.idle());
}

TEST_F(Loading, StopAndASecondLoadDuringTheYields)
{
    view.slider = 2;
    list1.addItem("10.2.0.0:3128");
    loop.setPeer("10.2.0.0", 3128, PeerScript {});
    engine.start();
    const std::string path = write("stop.txt", lines(1, 1000));
    bool stopped = false;
    loop.onYield = [&] {
        if (!stopped) {
            stopped = true;
            engine.stop();
            EXPECT_EQ(loader.loadFile(path), ProxyLoader::Result::Busy);
        }
    };
    EXPECT_EQ(loader.loadFile(path), ProxyLoader::Result::Loaded);
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(engine.isRunning());
    EXPECT_EQ(list1.count(), 1001) << "the check cut short by Stop is back at the head";
    EXPECT_EQ(list1.item(0), "10.2.0.0:3128");
    EXPECT_TRUE(view.idle());
    EXPECT_EQ(loop.runUntilIdle(), 0);
}

TEST_F(Loading, CancelStopsAtTheNextYield)
{
    const std::string path = write("long.txt", lines(0, 1000));
    loop.onYield = [&] { loader.cancel(); };
    loader.loadFile(path);
    EXPECT_EQ(list1.count(), ProxyLoader::kYieldEvery - 1);
    EXPECT_EQ(loader.loadFile(path), ProxyLoader::Result::Busy);
}

} // namespace
} // namespace qv
