#include <QDir>
#include <QTemporaryDir>
#include <QTreeView>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

#include "lists/FoundProxyOperations.h"
#include "platform/MemoryListBox.h"
#include "platform/gui/TreeListView.h"
#include "support/FakeClipboard.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using Strings = std::vector<std::string>;

class RecordingHost final : public FoundProxyHost
{
public:
    void setPanelCaption(int panel, const std::string& text) override
    {
        captions.push_back(std::to_string(panel) + ":" + text);
    }
    void showPopupMenu() override { ++popups; }
    Strings captions;
    int popups = 0;
};

class FoundProxyOperationsTest : public testing::Test
{
protected:
    void find(const std::string& ip, const std::string& port, const std::string& level = "3")
    {
        view.addRow({}, { ip, port, level });
        list2.addItem(ip + ':' + port);
    }
    Strings column(int c) const
    {
        Strings out;
        for (int r = 0; r < view.rowCount(); ++r)
            out.push_back(c ? view.subItem(r, c) : view.subItem(r, 1) + ':' + view.subItem(r, 2));
        return out;
    }
    Strings list2Entries() const
    {
        Strings out;
        for (int i = 0; i < list2.count(); ++i)
            out.push_back(list2.item(i));
        return out;
    }
    std::string file(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }

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

// "Clear" empties the queue, "clear1" the view only; other keys, letter case included, do nothing.
TEST_F(FoundProxyOperationsTest, MenuKeysCompareExactly)
{
    for (const auto& [key, pending, rows, captions] :
        { std::tuple { "Clear", 0, 2, Strings { "3:Loaded: 0" } }, std::tuple { "clear1", 1, 0, Strings {} },
            std::tuple { "clear", 1, 2, Strings {} }, std::tuple { "CLEAR1", 1, 2, Strings {} },
            std::tuple { "Export", 1, 2, Strings {} }, std::tuple { "killdupes ", 1, 2, Strings {} },
            std::tuple { "", 1, 2, Strings {} } }) {
        list1.clear();
        list2.clear();
        view.clear();
        host.captions.clear();
        list1.addItem("1.1.1.1:80");
        find("9.9.9.9", "80");
        find("9.9.9.9", "80");
        ops.buttonMenuClick(key);
        EXPECT_EQ(list1.count(), pending) << key;
        EXPECT_EQ(view.rowCount(), rows) << key;
        EXPECT_EQ(list2.count(), 2) << key;
        EXPECT_EQ(host.captions, captions) << key;
    }
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
    EXPECT_EQ(column(0), (Strings { "10.0.0.1:8080", "10.0.0.2:80", "10.0.0.1:80", "Host.Example:3128" }));
    EXPECT_EQ(column(3), (Strings { "1", "2", "2", "1" })) << "the first find of a proxy stays";
    EXPECT_EQ(
        list2Entries(), (Strings { "10.0.0.1:8080", "10.0.0.2:80", "10.0.0.1:80", "HOST.example:3128" }));
}

// Column clicks sort as text; a right press over a selected row with an address opens the menu;
// Copy Proxy and a click in the found list put the selected proxy on the clipboard.
TEST_F(FoundProxyOperationsTest, ViewCommands)
{
    for (const char* port : { "80", "1080", "8080", "3128" })
        find("10.0.0.1", port);
    view.addRow({}, { "", "80", "1" });
    for (const auto& [selected, button, popups] : { std::tuple { -1, FoundProxyOperations::RightButton, 0 },
             std::tuple { 0, FoundProxyOperations::LeftButton, 0 },
             std::tuple { 0, FoundProxyOperations::MiddleButton, 0 },
             std::tuple { 0, FoundProxyOperations::RightButton, 1 },
             std::tuple { 4, FoundProxyOperations::RightButton, 1 } }) {
        view.setSelectedRow(selected);
        ops.mouseDown(button, 1, 5, 5);
        EXPECT_EQ(host.popups, popups) << selected << " " << button;
    }

    clipboard.setText("old");
    view.setSelectedRow(-1);
    ops.copyProxy(); // nothing selected: the clipboard stays
    ops.list2Click();
    EXPECT_EQ(clipboard.text(), "old");
    view.setSelectedRow(1);
    ops.copyProxy();
    EXPECT_EQ(clipboard.text(), "10.0.0.1:1080");
    EXPECT_EQ(clipboard.clearCount(), 1);
    list2.setSelectedIndex(3);
    ops.list2Click(); // the found list copies without clearing first
    EXPECT_EQ(clipboard.text(), "10.0.0.1:3128");
    EXPECT_EQ(clipboard.clearCount(), 1);

    ops.columnClick(3);
    EXPECT_EQ(view.sortKey(), 2);
    EXPECT_TRUE(view.isSorted());
    EXPECT_EQ(column(2), (Strings { "1080", "3128", "80", "80", "8080" }));
    ops.columnClick(1);
    EXPECT_EQ(view.sortKey(), 0);
}

TEST_F(FoundProxyOperationsTest, ExportWritesFoundListInFindOrder)
{
    ops.exportFound(); // cancelled: nothing written
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
    ASSERT_TRUE(test::writeFile(file("found.txt"), "old contents\r\n"));
    dialog.setNextFileName(file("found.txt"));
    ops.exportFound();
    EXPECT_EQ(test::readFile(file("found.txt")), QByteArray()) << "nothing found yet empties the file";

    find("10.0.0.3", "80");
    find("10.0.0.1", "8080");
    find("10.0.0.2", "3128");
    ops.columnClick(2);
    dialog.setNextFileName(file("found.txt"));
    ops.buttonMenuClick("export");
    EXPECT_EQ(dialog.shown().at(1).kind, FakeFileDialog::Kind::Save);
    EXPECT_EQ(dialog.shown().at(1).filter, "Text File|*.txt|");
    const QByteArray found = "10.0.0.3:80\r\n10.0.0.1:8080\r\n10.0.0.2:3128\r\n";
    EXPECT_EQ(test::readFile(file("found.txt")), found);

    // After clearing the view the earlier finds are still exported; the dialog offers the last name.
    ops.buttonMenuClick("clear1");
    dialog.setNextFileName(file("again.txt"));
    ops.buttonMenuClick("export");
    EXPECT_EQ(test::readFile(file("again.txt")), found);
    EXPECT_EQ(dialog.shown().at(3).offeredFileName, file("found.txt"));
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(FoundProxyOperationsTest, ExportFailureNamesFileAndErrorOnce)
{
    find("10.0.0.3", "80");
    for (const auto& [path, error] : { std::pair { file("no-such-folder/found.txt"), ENOENT },
             std::pair { std::string("/dev/full"), ENOSPC } }) {
        dialog.setNextFileName(path);
        ops.exportFound();
        const std::string prompt = messages.lastPrompt();
        const std::size_t named = prompt.find(path);
        ASSERT_NE(named, std::string::npos) << prompt;
        EXPECT_EQ(prompt.find(path, named + 1), std::string::npos) << "named twice: " << prompt;
        EXPECT_NE(prompt.find(std::strerror(error)), std::string::npos) << "the error is missing: " << prompt;
        EXPECT_EQ(messages.lastStyle(), MessageBox::Critical);
    }
    EXPECT_EQ(messages.count(), 2);
    EXPECT_EQ(list2.count(), 1);
}

} // namespace
} // namespace qv
