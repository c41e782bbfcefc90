#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "lists/JudgeListEditor.h"
#include "lists/ListFiles.h"
#include "platform/JudgeListPaths.h"
#include "platform/MemoryListBox.h"
#include "platform/TextFile.h"
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

// The list beside the program wins, else the user's own list, else the installed default; the editor
// saves beside the program when a list is there, else to the user's list, creating its folder.
TEST_F(ListFilesTest, JudgeListLocations)
{
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    const std::string beside = programDirectory() + "/judgescripts.txt";
    const std::string user = QFile::encodeName(m_dir.path()).toStdString() + "/Quorvane/judgescripts.txt";
    const std::string installed = programDirectory() + "/../share/quorvane/judgescripts.txt";
    EXPECT_EQ(ListFiles::JudgeScriptsPath(), beside);
    EXPECT_EQ(JudgeListPaths::userList(), user);
    EXPECT_EQ(JudgeListPaths::installedDefault(), installed);

    struct Case
    {
        bool beside;
        bool user;
        std::string read;
        std::string save;
        Entries loaded;
    };
    for (const Case& c :
        { Case { false, false, installed, user, { "" } }, Case { false, true, user, user, { "user" } },
            Case { true, true, beside, beside, { "beside" } } }) {
        SetUp();
        QDir(m_dir.filePath(u"Quorvane"_s)).removeRecursively();
        ASSERT_TRUE(!c.beside || test::writeFile(beside, "beside\r\n"));
        ASSERT_TRUE(
            !c.user || (QDir().mkpath(m_dir.filePath(u"Quorvane"_s)) && test::writeFile(user, "user\r\n")));
        EXPECT_EQ(JudgeListPaths::readPath(), c.read);
        EXPECT_EQ(JudgeListPaths::savePath(), c.save);
        EXPECT_EQ(load(), c.loaded);
        JudgeListEditor form;
        EXPECT_EQ(form.path(), c.read);
        form.Text1()->setPlainText(u"edited"_s);
        form.saveChanges();
        EXPECT_EQ(test::readFile(c.save), "edited\r\n");
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(ListFilesTest, JudgeFileGivesOneEntryPerLine)
{
    const char* folder = "<folder>"; // a folder in the file's place cannot be read
    const std::pair<const char*, Entries> cases[] = {
        { nullptr, { "" } },
        { "", { "" } },
        { folder, { "" } },
        { "http://a/azenv.php\r\nhttp://b/judge.cgi\r\n", { "http://a/azenv.php", "http://b/judge.cgi" } },
        { "http://a/azenv.php\r\nhttp://b/judge.cgi", { "http://a/azenv.php", "http://b/judge.cgi" } },
        { "a\r\n\r\n", { "a", "" } },
        { "http://a/\nhttp://b/\n", { "http://a/", "http://b/" } },
        { "a\r\nb\nc\rd", { "a", "b", "c", "d" } },
        { "a\rb", { "a", "b" } },
    };
    for (const auto& [bytes, entries] : cases) {
        SetUp();
        if (bytes == folder) {
            ASSERT_TRUE(QDir().mkpath(QString::fromStdString(ListFiles::JudgeScriptsPath())));
        } else if (bytes) {
            ASSERT_TRUE(test::writeFile(ListFiles::JudgeScriptsPath(), bytes));
        }
        EXPECT_EQ(load(), entries) << (bytes ? bytes : "missing");
    }

    std::string many;
    for (int i = 0; i < ListBox::kMaxEntries + 10; ++i)
        many += "http://judge/" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(test::writeFile(ListFiles::JudgeScriptsPath(), QByteArray::fromStdString(many)));
    const Entries loaded = load();
    ASSERT_EQ(loaded.size(), static_cast<std::size_t>(ListBox::kMaxEntries)) << "loading stops at the limit";
    EXPECT_EQ(loaded.back(), "http://judge/32766");
}

TEST_F(ListFilesTest, SaveWritesEachEntryWithCrLfAndReportsFailures)
{
    MemoryListBox list;
    for (const char* entry : { "1.2.3.4:80", "http://x/\xe9", "", "http://y/a b", "1.2.3.4:80" })
        list.addItem(entry);
    list.setSelectedIndex(1);
    std::string error = "untouched";
    ASSERT_TRUE(ListFiles::SaveListToFile(list, ListFiles::JudgeScriptsPath(), &error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(test::readFile(ListFiles::JudgeScriptsPath()),
        "1.2.3.4:80\r\nhttp://x/\xe9\r\n\r\nhttp://y/a b\r\n1.2.3.4:80\r\n");
    EXPECT_EQ(load(), entriesOf(list)) << "a saved list loads back unchanged";
    EXPECT_EQ(list.selectedIndex(), 1) << "saving changes nothing in the list";
    MemoryListBox empty;
    EXPECT_TRUE(ListFiles::SaveListToFile(empty, ListFiles::JudgeScriptsPath()));
    EXPECT_EQ(test::readFile(ListFiles::JudgeScriptsPath()), "") << "an empty list empties the file";

    for (const std::string& path :
        { std::string(), m_dir.filePath(u"missing/x.txt"_s).toStdString(), std::string("/dev/full") }) {
        error.clear();
        EXPECT_FALSE(ListFiles::SaveListToFile(list, path, &error)) << path;
        EXPECT_FALSE(error.empty()) << path;
    }
    EXPECT_EQ(list.count(), 5);
}

// Keeps the first of each kind (letter case ignored, Latin-1 letters too) in order; the selection is
// where a search from the top for the last entry stops.
TEST(RemoveDuplicates, KeepsFirstOfEachKindInOrder)
{
    for (const auto& [entries, survivors, selected] : { std::tuple { Entries {}, Entries {}, -1 },
             std::tuple { Entries { "A", "b", "a", "B", "A" }, Entries { "A", "b" }, 0 },
             std::tuple { Entries { "x", "X", "y" }, Entries { "x", "y" }, 1 },
             std::tuple { Entries { "p:1", "P:1", "p:1" }, Entries { "p:1" }, 0 },
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

    MemoryListBox full;
    Entries first;
    for (int i = 0; i < ListBox::kMaxEntries; ++i) {
        full.addItem((i % 3 ? "h" : "H") + std::to_string(i % 1000));
        if (i < 1000)
            first.push_back(full.item(i));
    }
    ListFiles::RemoveDuplicates(full);
    EXPECT_EQ(entriesOf(full), first);
    EXPECT_EQ(full.selectedIndex(), 766); // entry 32766 is h766, whose first is at 766
}

} // namespace
} // namespace qv
