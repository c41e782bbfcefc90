#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

#include "controls/button/StyleButton.h"
#include "lists/FoundProxyOperations.h"
#include "lists/JudgeEditorLauncher.h"
#include "lists/JudgeListEditor.h"
#include "lists/ListFiles.h"
#include "platform/MemoryListBox.h"
#include "platform/TextFile.h"
#include "platform/gui/TreeListView.h"
#include "support/FakeClipboard.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

using Entries = std::vector<std::string>;

Entries entriesOf(const ListBox& list)
{
    Entries entries;
    for (int i = 0; i < list.count(); ++i)
        entries.push_back(list.item(i));
    return entries;
}

// The judge file lives beside the running executable; this test has a folder of its own.
class ListFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString path = QString::fromStdString(ListFiles::JudgeScriptsPath());
        QDir(path).removeRecursively();
        QFile::remove(path);
    }
    void TearDown() override { SetUp(); }

    static Entries load()
    {
        MemoryListBox combo;
        combo.addItem("left over");
        ListFiles::LoadJudgeScripts(combo);
        return entriesOf(combo);
    }

    QTemporaryDir m_dir;
};

// Read beside the program, else the user's list, else the default; saved beside it if there, else user's.
// One entry a line; an empty or missing file gives one empty entry.
TEST_F(ListFilesTest, JudgeListLocationsAndEntries)
{
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    const std::string beside = programDirectory() + "/judgescripts.txt";
    const std::string user = QFile::encodeName(m_dir.path()).toStdString() + "/Quorvane/judgescripts.txt";
    const std::string installed = programDirectory() + "/../share/quorvane/judgescripts.txt";
    // The file beside the program (null: none), whether the user has one, and what is read and saved.
    for (const auto& [besideBytes, hasUser, read, save, loaded] :
        { std::tuple { QByteArray(), false, installed, user, Entries { "" } },
            std::tuple { QByteArray(), true, user, user, Entries { "user" } },
            std::tuple { QByteArray("beside\r\n"), true, beside, beside, Entries { "beside" } },
            std::tuple { QByteArray(""), false, beside, beside, Entries { "" } },
            std::tuple { QByteArray("http://a/azenv.php\r\nhttp://b/judge.cgi\r\n"), false, beside, beside,
                Entries { "http://a/azenv.php", "http://b/judge.cgi" } },
            std::tuple { QByteArray("a\r\n\r\n"), false, beside, beside, Entries { "a", "" } } }) {
        SetUp();
        QDir(m_dir.filePath(u"Quorvane"_s)).removeRecursively();
        ASSERT_TRUE(besideBytes.isNull() || test::writeFile(beside, besideBytes));
        ASSERT_TRUE(
            !hasUser || (QDir().mkpath(m_dir.filePath(u"Quorvane"_s)) && test::writeFile(user, "user\r\n")));
        EXPECT_EQ(load(), loaded) << besideBytes.toStdString();
        JudgeListEditor form;
        EXPECT_EQ(form.path(), read);
        form.Text1()->setPlainText(u"edited"_s);
        form.saveChanges();
        EXPECT_EQ(test::readFile(save), "edited\r\n");
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);

    QByteArray many;
    for (int i = 0; i < ListBox::kMaxEntries + 10; ++i)
        many += "http://judge/" + QByteArray::number(i) + "\r\n";
    ASSERT_TRUE(test::writeFile(beside, many));
    const Entries loaded = load(); // loading stops at the limit
    EXPECT_EQ(std::to_string(loaded.size()) + ' ' + loaded.back(), "32767 http://judge/32766");
}

// Keeps the first of each kind, case ignored (Latin-1 too); selects where a search for the last entry stops.
TEST(RemoveDuplicates, KeepsFirstOfEachKindInOrder)
{
    for (const auto& [entries, survivors, selected] : { std::tuple { Entries {}, Entries {}, -1 },
             std::tuple { Entries { "A", "b", "a", "B", "A" }, Entries { "A", "b" }, 0 },
             std::tuple { Entries { "", "a", "", "A" }, Entries { "", "a" }, 1 },
             std::tuple { Entries { "\xC9t\xE9", "\xE9T\xC9", "\xD7", "\xF7" },
                 Entries { "\xC9t\xE9", "\xD7", "\xF7" }, 2 },
             std::tuple { Entries { "ab", "a", "AB", "abc" }, Entries { "ab", "a", "abc" }, 2 } }) {
        MemoryListBox list;
        for (const std::string& e : entries)
            list.addItem(e);
        ListFiles::RemoveDuplicates(list);
        EXPECT_EQ(entriesOf(list), survivors);
        EXPECT_EQ(list.selectedIndex(), selected) << entries.size();
    }
}

class FoundProxyOperationsTest : public testing::Test, public FoundProxyHost
{
protected:
    void setPanelCaption(int panel, const std::string& text) override
    {
        shownCaptions.push_back(std::to_string(panel) + ":" + text);
    }
    void showPopupMenu() override { ++popups; }
    void find(const std::string& ip, const std::string& port, const std::string& level = "3")
    {
        view.addRow({}, { ip, port, level });
        list2.addItem(ip + ':' + port);
    }
    Entries column(int c) const
    {
        Entries out;
        for (int r = 0; r < view.rowCount(); ++r)
            out.push_back(c ? view.subItem(r, c) : view.subItem(r, 1) + ':' + view.subItem(r, 2));
        return out;
    }
    std::string file(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }

    QTemporaryDir dir;
    MemoryListBox list1;
    MemoryListBox list2;
    QTreeView tree;
    TreeListView view { &tree, QStringList(5) };
    FakeClipboard clipboard;
    FakeFileDialog dialog;
    FakeMessageBox messages;
    Entries shownCaptions;
    int popups = 0;
    FoundProxyOperations ops { list1, list2, view, clipboard, dialog, messages, *this };
};

// "Clear" empties the queue, "clear1" the view only; other keys, letter case included, do nothing.
TEST_F(FoundProxyOperationsTest, MenuKeysCompareExactly)
{
    for (const auto& [key, pending, rows, captions] : { std::tuple { "clear1", 1, 0, Entries {} },
             std::tuple { "clear", 1, 2, Entries {} }, std::tuple { "killdupes ", 1, 2, Entries {} },
             std::tuple { "Clear", 0, 2, Entries { "3:Loaded: 0" } } }) {
        list1.clear();
        view.clear();
        list1.addItem("1.1.1.1:80");
        find("9.9.9.9", "80");
        find("9.9.9.9", "80");
        ops.buttonMenuClick(key);
        EXPECT_EQ(
            std::tuple(list1.count(), view.rowCount(), shownCaptions), std::tuple(pending, rows, captions))
            << key;
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
    // Found again through another protocol: another find.
    view.addRow({}, { "10.0.0.2", "80", "1", "socks5" });
    list2.addItem("socks5://10.0.0.2:80");
    view.setSelectedRow(1);

    ops.buttonMenuClick("killdupes");
    EXPECT_EQ(column(0), (Entries { "10.0.0.1:8080", "10.0.0.2:80", "10.0.0.1:80", "Host.Example:3128", "10.0.0.2:80" }));
    EXPECT_EQ(column(3), (Entries { "1", "2", "2", "1", "1" })) << "the first find of a proxy stays";
    EXPECT_EQ(entriesOf(list2),
        (Entries { "10.0.0.1:8080", "10.0.0.2:80", "10.0.0.1:80", "HOST.example:3128", "socks5://10.0.0.2:80" }));
}

// A right press over a selected address opens the menu; copies reach the clipboard. (Column clicks are
// the window test's: the header sorts by that column.)
TEST_F(FoundProxyOperationsTest, ViewCommands)
{
    for (const char* port : { "80", "1080", "8080", "3128" })
        find("10.0.0.1", port);
    view.addRow({}, { "", "80", "1" });
    for (const auto& [selected, menus] : { std::pair { -1, 0 }, std::pair { 0, 1 }, std::pair { 4, 1 } }) {
        view.setSelectedRow(selected);
        ops.mouseDown(FoundProxyOperations::RightButton, 1, 5, 5);
        EXPECT_EQ(popups, menus) << selected;
    }

    clipboard.setText("old");
    view.setSelectedRow(-1);
    ops.copyProxy(); // nothing selected: the clipboard stays
    ops.list2Click();
    EXPECT_EQ(clipboard.text(), "old");
    view.setSelectedRow(1);
    ops.copyProxy();
    EXPECT_EQ(clipboard.text() + ' ' + std::to_string(clipboard.clearCount()), "10.0.0.1:1080 1");
    list2.setSelectedIndex(3);
    ops.list2Click(); // the found list copies without clearing first
    EXPECT_EQ(clipboard.text() + ' ' + std::to_string(clipboard.clearCount()), "10.0.0.1:3128 1");
    view.addRow({}, { "10.0.0.2", "1080", "1", "socks4a" });
    view.setSelectedRow(5);
    ops.copyProxy(); // copied as its entry was, with the scheme
    EXPECT_EQ(clipboard.text(), "socks4a://10.0.0.2:1080");
}

TEST_F(FoundProxyOperationsTest, ExportWritesTheFoundListInFindOrderOrSaysWhyNot)
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
    const QByteArray found = "10.0.0.3:80\r\n10.0.0.1:8080\r\n10.0.0.2:3128\r\n";
    EXPECT_EQ(test::readFile(file("found.txt")), found);

    // After clearing the view the earlier finds are still exported; the dialog offers the last name.
    ops.buttonMenuClick("clear1");
    dialog.setNextFileName(file("again.txt"));
    ops.buttonMenuClick("export");
    EXPECT_EQ(test::readFile(file("again.txt")), found);
    EXPECT_EQ(dialog.offered().at(3), file("found.txt"));

    // A file that cannot be written whole is reported once, with the writer's error (its cases are the
    // writer's own tests).
    dialog.setNextFileName("/dev/full");
    ops.exportFound();
    EXPECT_EQ(messages.lastPrompt(),
        "Could not export the found proxies:\nCannot save \"/dev/full\": "
            + std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(messages.lastStyle(), MessageBox::Critical);
    EXPECT_EQ(messages.count(), 1);
}

class JudgeListEditorTest : public testing::Test
{
protected:
    QByteArray read() const { return test::readFile(path); }
    void write(const QByteArray& bytes) const { ASSERT_TRUE(test::writeFile(path, bytes)); }
    static QString status(const JudgeListEditor& form) { return form.Label1()->text(); }

    QTemporaryDir dir;
    const std::string path = dir.filePath(u"judgescripts.txt"_s).toStdString();
};

// Loading and saving unchanged leaves the file as it was, but for its line ends.
TEST_F(JudgeListEditorTest, LoadAndSave)
{
    const std::tuple<QByteArray, QString, QByteArray> cases[]
        = { { "a\r\n\r\nb\r\n", u"a\n\nb\n"_s, "a\r\n\r\nb\r\n" },
              { "a\r\nb\nc\rd", u"a\nb\nc\nd\n"_s, "a\r\nb\r\nc\r\nd\r\n" },
              { "http://h\xE9.example/\xA0j\r\n", u"http://h\u00E9.example/\u00A0j\n"_s,
                  "http://h\xE9.example/\xA0j\r\n" },
              { "", u""_s, "\r\n" }, { "\r\n", u"\n"_s, "\r\n" }, { "a", u"a\n"_s, "a\r\n" } };
    for (const auto& [file, shown, saved] : cases) {
        SCOPED_TRACE(file.left(40).toStdString());
        write(file);
        JudgeListEditor form(path);
        EXPECT_EQ(form.styleButton1()->geometry(), QRect(8, 216, 89, 17)) << "Save, where the form puts it";
        EXPECT_EQ(form.Text1()->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), shown);
        EXPECT_EQ(status(form), u"Status: Idle..."_s);
        Q_EMIT form.styleButton1()->Click();
        EXPECT_EQ(status(form), u"Status: File saved."_s);
        EXPECT_EQ(read(), saved);
    }

    // Nothing is saved that would lose text.
    const std::string folder = dir.filePath(u"folder"_s).toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    const QByteArray big = QByteArray(JudgeListEditor::kMaxFileBytes, 'x') + "\r\n";
    write(big);
    // Which files are UTF-16 is the reader's test; here the editor's refusal.
    const std::string le = test::writeIn(dir, "le.txt", QByteArray("\xFF\xFEh\0t\0\r\0\n\0", 10));
    const QString utf16 = u"file is UTF-16LE; save it as UTF-8 or Latin-1 and try again"_s;
    for (const auto& [file, shown, refused] :
        { std::tuple { folder, u"Status: "_s + QString::fromLocal8Bit(std::strerror(EISDIR)),
              u"Status: not saved: the file could not be read"_s },
            std::tuple { path, u"Status: file larger than 4 MiB, not opened"_s,
                u"Status: not saved: the file could not be read"_s },
            std::tuple { le, u"Status: "_s + utf16, u"Status: not saved: "_s + utf16 } }) {
        const QByteArray before = test::readFile(file);
        JudgeListEditor form(file);
        EXPECT_EQ(status(form) + form.Text1()->toPlainText(), shown) << "nothing shown";
        form.Text1()->setPlainText(u"http://judge/"_s);
        form.saveChanges();
        EXPECT_EQ(status(form), refused);
        EXPECT_TRUE(form.Label1()->toolTip().contains(QString::fromStdString(file)));
        EXPECT_EQ(test::readFile(file), before);
    }
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());

    // Text Latin-1 cannot hold is named, not saved as "?".
    write("http://a/\r\n");
    JudgeListEditor form(path);
    for (const auto& [text, says] : { std::pair { u"http://a/\nhttp://\U0001F600/\n"_s, u"\"\U0001F600\" (U+1F600) on line 2"_s },
             std::pair { u"http://\u20AC/\n"_s, u"\"\u20AC\" (U+20AC) on line 1"_s } }) {
        form.Text1()->setPlainText(text);
        form.saveChanges();
        EXPECT_EQ(status(form), u"Status: not saved: "_s + says);
    }
    EXPECT_EQ(read(), QByteArray("http://a/\r\n"));

    // A file that cannot be written is reported by the writer's reason (its cases are the writer's
    // tests); the dialog stays.
    JudgeListEditor failing(path, dir.filePath(u"missing/judgescripts.txt"_s).toStdString());
    failing.show();
    Q_EMIT failing.styleButton1()->Click();
    EXPECT_EQ(status(failing), u"Status: "_s + QString::fromLocal8Bit(std::strerror(ENOENT)));
    EXPECT_TRUE(failing.isVisible());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"missing"_s)));
}

// A file changed on disk since the editor read it (by another program or another editor) is
// overwritten only after a Yes; the same bytes written anew are no change. Once saved, the next save
// does not ask again.
TEST_F(JudgeListEditorTest, SaveAsksBeforeOverwritingAChangeOnDisk)
{
    const QByteArray removed = "<removed>", otherEditor = "<other editor>";
    for (const auto& [change, answer, saved, asked] :
        { std::tuple { QByteArray(), MessageBox::No, "mine\r\n", 0 },
            std::tuple { QByteArray("a\r\n"), MessageBox::No, "mine\r\n", 0 },
            std::tuple { QByteArray("other\r\n"), MessageBox::No, "other\r\n", 1 },
            std::tuple { QByteArray("other\r\n"), MessageBox::Yes, "mine\r\n", 1 },
            std::tuple { otherEditor, MessageBox::No, "theirs\r\n", 1 },
            std::tuple { removed, MessageBox::No, "<missing>", 1 },
            std::tuple { removed, MessageBox::Yes, "mine\r\n", 1 } }) {
        SCOPED_TRACE(change.toStdString() + ' ' + std::to_string(answer));
        write("a\r\n");
        FakeMessageBox messages;
        messages.setDefaultAnswer(answer);
        JudgeListEditor form(path);
        form.setMessageBox(messages);
        if (change == removed) {
            ASSERT_TRUE(QFile::remove(QString::fromStdString(path)));
        } else if (change == otherEditor) {
            JudgeListEditor other(path);
            other.Text1()->setPlainText(u"theirs"_s);
            other.saveChanges();
        } else if (!change.isEmpty()) {
            write(change);
        }
        form.Text1()->setPlainText(u"mine"_s);
        form.saveChanges();
        const bool mine = read() == "mine\r\n";
        EXPECT_EQ(read(), saved);
        EXPECT_EQ(messages.count(), asked);
        EXPECT_EQ(status(form), mine ? u"Status: File saved."_s : u"Status: not saved: the file changed on disk"_s);
        if (asked) {
            EXPECT_EQ(messages.lastPrompt(),
                "\"" + path + "\" was changed on disk since the editor read it.\n\nOverwrite it with the text in the editor?");
            EXPECT_EQ(messages.lastStyle(), MessageBox::YesNo | MessageBox::Exclamation);
        }
        messages.setDefaultAnswer(MessageBox::No);
        form.saveChanges();
        EXPECT_EQ(messages.count(), mine ? asked : asked + 1) << "a saved file is not a change";
    }
}

TEST_F(JudgeListEditorTest, LauncherShowsOneEditorKeepsUnsavedEditsAndClosesWithIt)
{
    write("a\r\n");
    QPointer<JudgeListEditor> last;
    {
        JudgeEditorLauncher launcher(path);
        launcher.show();
        JudgeListEditor* first = launcher.form();
        ASSERT_TRUE(
            first && first->isVisible() && !first->isModal() && first->windowFlags().testFlag(Qt::Tool));
        EXPECT_EQ(first->minimumSize(), first->maximumSize()) << "a fixed tool window";
        first->Text1()->setPlainText(u"edited"_s);
        launcher.show();
        EXPECT_TRUE(launcher.form() == first && first->Text1()->toPlainText() == u"edited"_s)
            << "not read again";

        Q_EMIT first->styleButton2()->Click(); // Cancel: no question, nothing saved
        EXPECT_TRUE(!first->isVisible() && read() == "a\r\n");
        launcher.show(); // before the closed one is deleted
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(launcher.form() && launcher.form()->isVisible());
        EXPECT_EQ(launcher.form()->Text1()->toPlainText(), u"a\n"_s);

        launcher.form()->close(); // the close box
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(launcher.form(), nullptr);
        launcher.show();
        last = launcher.form();
        ASSERT_TRUE(last);
    }
    EXPECT_FALSE(last) << "the editor closes with its launcher";
}

} // namespace
} // namespace qv
