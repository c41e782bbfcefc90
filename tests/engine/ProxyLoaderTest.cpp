// Load Proxies on the fake loop: the limit, the line rules, errors, and what happens while it
// yields to a running scan.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "engine/FakeScanView.h"
#include "app/ProxyLoader.h"
#include "support/FakeEventLoop.h"
#include "support/FakeFileDialog.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using test::PeerScript;

class Loading : public testing::Test, public test::ScanRig<test::FakeEventLoop> {
protected:
    static QByteArray lines(int from, int count)
    {
        QByteArray text;
        for (int i = from; i < from + count; ++i)
            text += "10.2." + QByteArray::number(i / 250) + "." + QByteArray::number(i % 250) + ":3128\r\n";
        return text;
    }

    QTemporaryDir dir;
    ProxyLoader loader { loop, view, list1, engine };
    FakeFileDialog dialog;
};

TEST_F(Loading, LinesAreTakenUnchangedAndACancelOrAFailureLoadsNothing)
{
    loader.loadProxies(dialog);
    EXPECT_EQ(dialog.showCount(), 1);
    EXPECT_TRUE(view.log.empty());
    dialog.setNextFileName(test::writeIn(dir, "a.txt", "\xef\xbb\xbf" "1.2.3.4:80\r\n\r\nno colon\rlf\ninside\r\nlast:1"));
    view.buttons[ScanView::kStartButton] = false;
    loader.loadProxies(dialog);
    EXPECT_EQ(dialog.filter(), "Text Files|*.txt|All Files|*.*");
    std::vector<std::string> pending;
    for (int i = 0; i < list1.count(); ++i)
        pending.push_back(list1.item(i));
    EXPECT_EQ(pending, (std::vector<std::string> { "1.2.3.4:80", "", "no colon", "lf", "inside", "last:1" }));
    EXPECT_EQ(view.panel(3), "Loaded: 6");
    EXPECT_EQ(list1.selectedIndex(), 0);
    EXPECT_TRUE(view.isButtonEnabled(ScanView::kStartButton));
    EXPECT_EQ(view.panel(1), "");
    // Files that cannot be read are reported; the entries loaded before stay.
    for (const std::string& path :
        { dir.filePath(QStringLiteral("missing.txt")).toStdString(), dir.path().toStdString() }) {
        EXPECT_EQ(loader.loadFile(path), ProxyLoader::Result::Failed);
        EXPECT_FALSE(loader.errorString().empty());
        EXPECT_EQ(view.panel(1), "Status: " + loader.errorString());
        EXPECT_EQ(list1.count(), 6);
    }
}

TEST_F(Loading, StopsAt32000AndAddsOneMoreLineToAFullList)
{
    EXPECT_EQ(loader.loadFile(test::writeIn(dir, "big.txt", lines(0, 40000))), ProxyLoader::Result::LimitReached);
    EXPECT_EQ(list1.count(), 32000);
    EXPECT_EQ(view.panel(3), "Loaded: 32000");
    EXPECT_EQ(view.panel(1), "Status: Limit 32k Reached.");
    EXPECT_EQ(list1.selectedIndex(), 0);
    EXPECT_TRUE(view.isButtonEnabled(ScanView::kStartButton));
    EXPECT_EQ(list1.item(31999), "10.2.127.249:3128");
    view.panels.clear();
    EXPECT_EQ(loader.loadFile(test::writeIn(dir, "more.txt", lines(50000, 10))), ProxyLoader::Result::LimitReached);
    EXPECT_EQ(list1.count(), 32001);
    EXPECT_EQ(view.panel(1), "Status: Limit 32k Reached.");
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
    presenter.start();
    int most = 0; // sockets in flight at once: every idle one takes loaded entries
    loop.onYield = [&] { loop.runUntil(loop.nowMs() + 2), most = std::max(most, engine.checksInFlight()); };
    EXPECT_EQ(loader.loadFile(test::writeIn(dir, "run.txt", lines(1, 2999))), ProxyLoader::Result::Loaded);
    EXPECT_EQ(most, 4);
    EXPECT_GT(found.rowCount(), 50);
    EXPECT_LT(found.rowCount(), 3000);
    EXPECT_FALSE(view.isButtonEnabled(ScanView::kStartButton)); // still running: Start stays off
    loop.onYield = nullptr;
    loop.runUntilIdle();
    EXPECT_EQ(found.rowCount(), 3000);
    EXPECT_EQ(scanEnds, 1);
    EXPECT_TRUE(view.idle());
}

TEST_F(Loading, StopASecondLoadAndCancelDuringTheYields)
{
    view.slider = 2;
    list1.addItem("10.2.0.0:3128");
    loop.setPeer("10.2.0.0", 3128, PeerScript {});
    presenter.start();
    const std::string path = test::writeIn(dir, "stop.txt", lines(1, 1000));
    bool stopped = false;
    loop.onYield = [&] {
        if (!std::exchange(stopped, true)) {
            presenter.stop();
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

    list1.clear();
    loop.onYield = [&] { loader.cancel(); };
    loader.loadFile(path);
    EXPECT_EQ(list1.count(), ProxyLoader::kYieldEvery - 1);
    EXPECT_EQ(loader.loadFile(path), ProxyLoader::Result::Busy);
}

} // namespace
} // namespace qv
