// A scan through the real main window's controls against proxies on loopback: its scan wiring.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/ScanWiring.h"
#include "engine/LoopbackServers.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using test::LoopbackProxy;

TEST(WindowScan, LoadStartFindAndStop)
{
    QTemporaryDir dir;
    auto* dialog = new FakeFileDialog;
    MainWindow window({ nullptr, nullptr, std::make_unique<FakeMessageBox>(), std::unique_ptr<FileDialog>(dialog) });
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

    // Blanks, a tab and a leading zero around the port: the found proxy is ip:port.
    LoopbackProxy working(LoopbackProxy::Mode::Working, "2"), failing(LoopbackProxy::Mode::Failing);
    const QByteArray w = "127.0.0.1:" + QByteArray::number(working.port());
    load("127.0.0.1: \t0" + QByteArray::number(working.port()) + " \n127.0.0.1:"
        + QByteArray::number(failing.port()) + "\n" + w + "\n");
    EXPECT_EQ(panel(3), "Loaded: 3");
    window.Slider1()->setValue(2);
    window.TxtTimeout()->setText(QStringLiteral("5000"));
    window.toolbarButton(1)->click();
    EXPECT_TRUE(!window.buttonEnabled(1) && window.buttonEnabled(2));
    ASSERT_TRUE(waitFor([&] { return panel(1) == "Status: Scan Complete!"; }));
    EXPECT_EQ(panel(2) + panel(3), "Good: 2Loaded: 0");
    ASSERT_EQ(window.listView1().rowCount(), 2);
    const ListView& found = window.listView1();
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(found.subItem(row, 1) + ":" + found.subItem(row, 2) + " " + found.subItem(row, 3) + " "
                + window.List2().item(row),
            w.toStdString() + " 2 " + w.toStdString());
    EXPECT_TRUE(window.buttonEnabled(1) && !window.buttonEnabled(2) && window.buttonEnabled(6));
    EXPECT_EQ(working.lastRequest(), "GET http://judge.test/azenv.php HTTP/1.0\r\n\r\n\r\n");

    LoopbackProxy never(LoopbackProxy::Mode::Never);
    load("127.0.0.1:" + QByteArray::number(never.port()) + "\n");
    window.toolbarButton(1)->click();
    EXPECT_TRUE(waitFor([&] { return never.requests() == 1; }));
    window.toolbarButton(2)->click();
    EXPECT_EQ(panel(1), "Status: Stopping..");
    EXPECT_TRUE(window.buttonEnabled(1) && !window.buttonEnabled(2) && wiring.engine().checksInFlight() == 0);
}

} // namespace
} // namespace qv
