// A scan through the real main window: toolbar clicks, the slider, the timeout box, the judge
// chooser, the status panels and the found-proxy view, against proxies served on loopback.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <QMenu>

#include "app/ListWiring.h"
#include "app/MainWindow.h"
#include "app/ScanWiring.h"
#include "engine/LoopbackProxy.h"
#include "platform/FileRegistryStore.h"
#include "support/FakeClipboard.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"

namespace qv {
namespace {

using test::LoopbackProxy;

class WindowScan : public testing::Test {
protected:
    WindowScan()
    {
        MainWindow::Services services;
        auto dialog = std::make_unique<FakeFileDialog>();
        m_dialog = dialog.get();
        services.fileDialog = std::move(dialog);
        auto clipboard = std::make_unique<FakeClipboard>();
        m_clipboard = clipboard.get();
        services.clipboard = std::move(clipboard);
        auto box = std::make_unique<FakeMessageBox>();
        m_box = box.get();
        services.messageBox = std::move(box);
        window = std::make_unique<MainWindow>(std::move(services));
        wiring = std::make_unique<ScanWiring>(*window);
        window->combo1().clear();
        window->combo1().addItem("http://judge.test/azenv.php");
        window->combo1().setSelectedIndex(0);
    }
    QString panel(int index) const { return window->StatusBar1()->PanelCaption(index); }
    // Processes events until the status panel shows text; false after boundMs.
    bool waitForStatus(const QString& text, int boundMs = 30000)
    {
        QElapsedTimer clock;
        clock.start();
        while (panel(1) != text && clock.elapsed() < boundMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return panel(1) == text;
    }
    void loadList(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("proxies.txt"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        m_dialog->setNextFileName(path.toStdString());
        window->toolbarButton(4)->click();
    }

    QTemporaryDir m_dir;
    FakeFileDialog* m_dialog = nullptr;
    FakeClipboard* m_clipboard = nullptr;
    FakeMessageBox* m_box = nullptr;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ScanWiring> wiring;
};

// The first entry has blanks, a tab and a leading zero around its port: the found proxy is
// ip:port in the view, List2, the clipboard, the settings store, the desktop and the export.
TEST_F(WindowScan, LoadStartAndFind)
{
    LoopbackProxy working(LoopbackProxy::Mode::Working, "2");
    LoopbackProxy failing(LoopbackProxy::Mode::Failing);
    const QByteArray w = "127.0.0.1:" + QByteArray::number(working.port());
    loadList("127.0.0.1: \t0" + QByteArray::number(working.port()) + " \r\n127.0.0.1:"
        + QByteArray::number(failing.port()) + "\r\n" + w + "\r\n");
    EXPECT_EQ(panel(3), QStringLiteral("Loaded: 3"));
    EXPECT_EQ(window->List1().count(), 3);
    EXPECT_TRUE(window->buttonEnabled(1));

    window->Slider1()->setValue(2);
    EXPECT_EQ(window->Label3()->text(), QStringLiteral("Sockets [ 2 ]"));
    window->TxtTimeout()->setText(QStringLiteral("5000"));
    window->toolbarButton(1)->click();
    EXPECT_FALSE(window->buttonEnabled(1));
    EXPECT_TRUE(window->buttonEnabled(2));
    ASSERT_TRUE(waitForStatus(QStringLiteral("Status: Scan Complete!")));
    EXPECT_EQ(panel(2), QStringLiteral("Good: 2"));
    EXPECT_EQ(panel(3), QStringLiteral("Loaded: 0"));
    ASSERT_EQ(window->listView1().rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(window->listView1().rowText(row), "");
        EXPECT_EQ(window->listView1().subItem(row, 1), "127.0.0.1");
        EXPECT_EQ(window->listView1().subItem(row, 2), std::to_string(working.port()));
        EXPECT_EQ(window->listView1().subItem(row, 3), "2");
        EXPECT_EQ(window->List2().item(row), w.toStdString());
    }
    EXPECT_TRUE(window->buttonEnabled(1));
    EXPECT_FALSE(window->buttonEnabled(2));
    EXPECT_TRUE(window->buttonEnabled(6));
    EXPECT_EQ(working.lastRequest(), "GET http://judge.test/azenv.php HTTP/1.0\r\n\r\n\r\n");

    const std::string store = m_dir.filePath(QStringLiteral("registry.reg")).toStdString();
    new ListWiring(*window, std::make_unique<FileRegistryStore>(store), {}, {});
    window->listView1().setSelectedRow(0);
    window->mnuCopy()->trigger();
    EXPECT_EQ(m_clipboard->text(), w.toStdString());
    window->mnuProxy()->trigger();
    EXPECT_EQ(FileRegistryStore(store).value(SystemProxyCommands::kKeyPath, "ProxyServer")->text, w.toStdString());
    ASSERT_EQ(m_box->count(), 2) << "the question, then the note that no desktop was there to follow";
    EXPECT_EQ(m_box->lastPrompt().rfind("Only the program's own store", 0), 0u) << m_box->lastPrompt();
    const QString exported = m_dir.filePath(QStringLiteral("export.txt"));
    m_dialog->setNextFileName(exported.toStdString());
    window->buttonMenu(6)->actions().at(0)->trigger();
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), w + "\r\n" + w + "\r\n");
}

TEST_F(WindowScan, StopAndEmptyStart)
{
    window->toolbarButton(1)->click();
    EXPECT_EQ(panel(1), QStringLiteral("Status: Please load some proxies!"));

    LoopbackProxy never(LoopbackProxy::Mode::Never);
    loadList("127.0.0.1:" + QByteArray::number(never.port()) + "\r\n");
    window->toolbarButton(1)->click();
    QElapsedTimer clock;
    clock.start();
    while (never.requests() == 0 && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    EXPECT_EQ(panel(1), QStringLiteral("Status: Checking 127.0.0.1:") + QString::number(never.port()));
    window->toolbarButton(2)->click();
    EXPECT_EQ(panel(1), QStringLiteral("Status: Stopping.."));
    EXPECT_TRUE(window->buttonEnabled(1));
    EXPECT_FALSE(window->buttonEnabled(2));
    EXPECT_EQ(wiring->engine().checksInFlight(), 0);
}

} // namespace
} // namespace qv
