// A scan through the real main window, its toolbar, slider, timeout box, judge chooser, panels and
// found-proxy view, against proxies served on loopback; the found list's operations have tests of their own.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/ScanWiring.h"
#include "engine/LoopbackProxy.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using test::LoopbackProxy;

// The first entry has blanks, a tab and a leading zero around its port: the found proxy is ip:port.
TEST(WindowScan, LoadStartFindAndStop)
{
    QTemporaryDir dir;
    MainWindow::Services services;
    auto* dialog = new FakeFileDialog;
    services.fileDialog.reset(dialog);
    services.messageBox = std::make_unique<FakeMessageBox>();
    MainWindow window(std::move(services));
    ScanWiring wiring(window);
    window.combo1().clear();
    window.combo1().addItem("http://judge.test/azenv.php");
    window.combo1().setSelectedIndex(0);
    const auto panel = [&](int index) { return window.StatusBar1()->PanelCaption(index).toStdString(); };
    const auto load = [&](const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("proxies.txt"));
        ASSERT_TRUE(test::writeFile(path, bytes));
        dialog->setNextFileName(path.toStdString());
        window.toolbarButton(4)->click();
    };
    const auto waitFor = [&](const std::function<bool()>& done) {
        for (QDeadlineTimer bound(30000); !done() && !bound.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return done();
    };

    window.toolbarButton(1)->click();
    EXPECT_EQ(panel(1), "Status: Please load some proxies!");
    LoopbackProxy working(LoopbackProxy::Mode::Working, "2"), failing(LoopbackProxy::Mode::Failing);
    const QByteArray w = "127.0.0.1:" + QByteArray::number(working.port());
    load("127.0.0.1: \t0" + QByteArray::number(working.port()) + " \r\n127.0.0.1:" + QByteArray::number(failing.port())
        + "\r\n" + w + "\r\n");
    EXPECT_EQ(panel(3), "Loaded: 3");
    window.Slider1()->setValue(2);
    EXPECT_EQ(window.Label3()->text(), QStringLiteral("Sockets [ 2 ]"));
    window.TxtTimeout()->setText(QStringLiteral("5000"));
    window.toolbarButton(1)->click();
    EXPECT_TRUE(!window.buttonEnabled(1) && window.buttonEnabled(2));
    ASSERT_TRUE(waitFor([&] { return panel(1) == "Status: Scan Complete!"; }));
    EXPECT_EQ(panel(2), "Good: 2");
    EXPECT_EQ(panel(3), "Loaded: 0");
    ASSERT_EQ(window.listView1().rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(window.listView1().subItem(row, 1) + ":" + window.listView1().subItem(row, 2), w.toStdString());
        EXPECT_EQ(window.listView1().subItem(row, 3), "2");
        EXPECT_EQ(window.List2().item(row), w.toStdString());
    }
    EXPECT_TRUE(window.buttonEnabled(1) && !window.buttonEnabled(2) && window.buttonEnabled(6));
    EXPECT_EQ(working.lastRequest(), "GET http://judge.test/azenv.php HTTP/1.0\r\n\r\n\r\n");

    LoopbackProxy never(LoopbackProxy::Mode::Never);
    load("127.0.0.1:" + QByteArray::number(never.port()) + "\r\n");
    window.toolbarButton(1)->click();
    const std::string checking = "Status: Checking 127.0.0.1:" + std::to_string(never.port());
    EXPECT_TRUE(waitFor([&] { return never.requests() == 1 && panel(1) == checking; })) << panel(1);
    window.toolbarButton(2)->click();
    EXPECT_EQ(panel(1), "Status: Stopping..");
    EXPECT_TRUE(window.buttonEnabled(1) && !window.buttonEnabled(2));
    EXPECT_EQ(wiring.engine().checksInFlight(), 0);
}

} // namespace
} // namespace qv
