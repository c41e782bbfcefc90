#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

#include <string>
#include <vector>

#include "lists/FoundProxyOperations.h"
#include "platform/MemoryListBox.h"
#include "platform/gui/TreeListView.h"
#include "support/FakeClipboard.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

class RecordingHost final : public FoundProxyHost
{
public:
    void setPanelCaption(int panel, const std::string& text) override { captions.emplace_back(panel, text); }
    void showPopupMenu() override { ++popups; }
    std::vector<std::pair<int, std::string>> captions;
    int popups = 0;
};

QByteArray readFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class FoundProxyOperationsTest : public testing::Test
{
protected:
    void find(const std::string& ip, const std::string& port, const std::string& level = "3")
    {
        view.addRow({}, { ip, port, level });
        list2.addItem(ip + ':' + port);
    }
    std::vector<std::string> list2Entries() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < list2.count(); ++i)
            out.push_back(list2.item(i));
        return out;
    }
    std::string exportPath(const char* name) const
    {
        return QDir(dir.path()).filePath(QString::fromLatin1(name)).toStdString();
    }

    std::vector<std::string> proxies() const
    {
        std::vector<std::string> out;
        for (int r = 0; r < view.rowCount(); ++r)
            out.push_back(view.subItem(r, 1) + ':' + view.subItem(r, 2));
        return out;
    }

    QTemporaryDir dir;
    MemoryListBox list1;
    MemoryListBox list2;
    QTreeView tree;
    TreeListView view { &tree, QStringList(4) };
    FakeClipboard clipboard;
    FakeFileDialog dialog;
    FakeMessageBox messages;
    RecordingHost host;
    FoundProxyOperations ops { list1, list2, view, clipboard, dialog, messages, host };
};

TEST_F(FoundProxyOperationsTest, LoadProxiesClearEmptiesPendingListAndShowsZero)
{
    list1.addItem("1.1.1.1:80");
    list1.addItem("2.2.2.2:80");
    find("9.9.9.9", "80");
    ops.buttonMenuClick("Clear");
    EXPECT_EQ(list1.count(), 0);
    EXPECT_EQ(view.rowCount(), 1);
    EXPECT_EQ(list2.count(), 1);
    ASSERT_EQ(host.captions.size(), 1u);
    EXPECT_EQ(host.captions[0], std::make_pair(3, std::string("Loaded: 0")));
}

TEST_F(FoundProxyOperationsTest, FoundProxiesClearEmptiesOnlyTheView)
{
    list1.addItem("1.1.1.1:80");
    find("9.9.9.9", "80");
    ops.buttonMenuClick("clear1");
    EXPECT_EQ(view.rowCount(), 0);
    EXPECT_EQ(list2.count(), 1);
    EXPECT_EQ(list1.count(), 1);
    EXPECT_TRUE(host.captions.empty());
}

TEST_F(FoundProxyOperationsTest, KeysCompareExactly)
{
    list1.addItem("1.1.1.1:80");
    find("9.9.9.9", "80");
    find("9.9.9.9", "80");
    for (const char* key : { "clear", "Export", "CLEAR1", "KillDupes", "killdupes ", "" })
        ops.buttonMenuClick(key);
    EXPECT_EQ(list1.count(), 1);
    EXPECT_EQ(view.rowCount(), 2);
    EXPECT_EQ(list2.count(), 2);
    EXPECT_EQ(dialog.showCount(), 0);
}

TEST_F(FoundProxyOperationsTest, KillDuplicatesCleansViewAndFoundList)
{
    find("10.0.0.1", "8080", "1");
    find("10.0.0.2", "80", "2");
    find("10.0.0.1", "8080", "3");
    find("10.0.0.1", "80", "2");
    find("10.0.0.2", "80", "1");
    view.addRow({}, { "Host.Example", "3128", "1" });
    view.addRow({}, { "host.example", "3128", "2" });
    list2.addItem("HOST.example:3128");
    view.setSelectedRow(1);

    ops.buttonMenuClick("killdupes");

    EXPECT_EQ(proxies(),
        (std::vector<std::string> { "10.0.0.1:8080", "10.0.0.2:80", "10.0.0.1:80", "Host.Example:3128" }));
    EXPECT_EQ(view.subItem(0, 3), "1"); // the first find of a proxy stays
    EXPECT_EQ(view.subItem(1, 3), "2");
    EXPECT_EQ(list2Entries(),
        (std::vector<std::string> { "10.0.0.1:8080", "10.0.0.2:80", "10.0.0.1:80", "HOST.example:3128" }));
}

TEST_F(FoundProxyOperationsTest, SortsByClickedColumnAsText)
{
    for (const char* port : { "80", "1080", "8080", "3128" })
        find("10.0.0.1", port);
    ops.columnClick(3);
    EXPECT_EQ(view.sortKey(), 2);
    EXPECT_TRUE(view.isSorted());
    std::vector<std::string> ports;
    for (int r = 0; r < view.rowCount(); ++r)
        ports.push_back(view.subItem(r, 2));
    EXPECT_EQ(ports, (std::vector<std::string> { "1080", "3128", "80", "8080" }));

    ops.columnClick(2);
    EXPECT_EQ(view.sortKey(), 1);
    ops.columnClick(1);
    EXPECT_EQ(view.sortKey(), 0);
    EXPECT_TRUE(view.isSorted());
}

TEST_F(FoundProxyOperationsTest, PopupOnlyOnRightPressOverSelectedRowWithIp)
{
    find("1.2.3.4", "80");
    ops.mouseDown(FoundProxyOperations::RightButton, 0, 5, 5); // no selection
    EXPECT_EQ(host.popups, 0);

    view.setSelectedRow(0);
    ops.mouseDown(FoundProxyOperations::LeftButton, 0, 5, 5);
    ops.mouseDown(FoundProxyOperations::MiddleButton, 0, 5, 5);
    EXPECT_EQ(host.popups, 0);
    ops.mouseDown(FoundProxyOperations::RightButton, 1, 5, 5);
    EXPECT_EQ(host.popups, 1);

    view.addRow({}, { "", "80", "1" });
    view.setSelectedRow(1);
    ops.mouseDown(FoundProxyOperations::RightButton, 0, 5, 5);
    EXPECT_EQ(host.popups, 1);
}

TEST_F(FoundProxyOperationsTest, CopyProxyPutsSelectedRowOnClipboard)
{
    find("1.2.3.4", "80");
    find("5.6.7.8", "3128");
    clipboard.setText("old");
    ops.copyProxy(); // nothing selected: the clipboard stays
    EXPECT_EQ(clipboard.text(), "old");

    view.setSelectedRow(1);
    ops.copyProxy();
    EXPECT_EQ(clipboard.text(), "5.6.7.8:3128");
    EXPECT_EQ(clipboard.clearCount(), 1);
}

TEST_F(FoundProxyOperationsTest, List2ClickCopiesSelectedEntryWithoutClearing)
{
    find("1.2.3.4", "80");
    find("5.6.7.8", "3128");
    ops.list2Click();
    EXPECT_EQ(clipboard.text(), "");
    list2.setSelectedIndex(0);
    ops.list2Click();
    EXPECT_EQ(clipboard.text(), "1.2.3.4:80");
    EXPECT_EQ(clipboard.clearCount(), 0);
}

TEST_F(FoundProxyOperationsTest, ExportWritesFoundListInFindOrder)
{
    find("10.0.0.3", "80");
    find("10.0.0.1", "8080");
    find("10.0.0.2", "3128");
    ops.columnClick(2);
    dialog.setNextFileName(exportPath("found.txt"));
    ops.buttonMenuClick("export");
    EXPECT_EQ(dialog.shown().at(0).kind, FakeFileDialog::Kind::Save);
    EXPECT_EQ(dialog.shown().at(0).filter, "Text File|*.txt|");
    EXPECT_EQ(
        readFile(exportPath("found.txt")), QByteArray("10.0.0.3:80\r\n10.0.0.1:8080\r\n10.0.0.2:3128\r\n"));
    EXPECT_EQ(messages.count(), 0);

    // After clearing the view the earlier finds are still exported; the dialog offers the last name.
    ops.buttonMenuClick("clear1");
    dialog.setNextFileName(exportPath("again.txt"));
    ops.buttonMenuClick("export");
    EXPECT_EQ(readFile(exportPath("again.txt")), readFile(exportPath("found.txt")));
    EXPECT_EQ(dialog.shown().at(1).offeredFileName, exportPath("found.txt"));
}

TEST_F(FoundProxyOperationsTest, ExportBeforeAnyFindEmptiesTheFile)
{
    const std::string path = exportPath("empty.txt");
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old contents\r\n");
    file.close();
    dialog.setNextFileName(path);
    ops.exportFound();
    EXPECT_EQ(readFile(path), QByteArray());
}

TEST_F(FoundProxyOperationsTest, ExportCancelledWritesNothing)
{
    find("10.0.0.3", "80");
    ops.exportFound();
    EXPECT_EQ(dialog.showCount(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(FoundProxyOperationsTest, ExportFailureNamesFileAndError)
{
    find("10.0.0.3", "80");
    const std::string path = exportPath("no-such-folder/found.txt");
    dialog.setNextFileName(path);
    ops.exportFound();
    ASSERT_EQ(messages.count(), 1);
    const std::string prompt = messages.lastPrompt();
    const std::size_t named = prompt.find(path);
    ASSERT_NE(named, std::string::npos) << prompt;
    EXPECT_EQ(prompt.find(path, named + 1), std::string::npos) << "the file is named twice: " << prompt;
    EXPECT_NE(prompt.find(std::strerror(ENOENT)), std::string::npos) << "the error itself is missing: " << prompt;
    EXPECT_EQ(messages.lastStyle(), MessageBox::Critical);
    EXPECT_EQ(list2.count(), 1);
}

} // namespace
} // namespace qv
