#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "lists/JudgeListEditor.h"
#include "lists/ListFiles.h"
#include "platform/JudgeListPaths.h"
#include "platform/MemoryListBox.h"
#include "platform/TextFile.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// The judge file lives beside the running executable; this test has a folder of its own.
class ListFilesTest : public ::testing::Test
{
protected:
    void SetUp() override { removeJudgeFile(); }
    void TearDown() override { removeJudgeFile(); }

    static void removeJudgeFile()
    {
        const QString path = QString::fromStdString(ListFiles::JudgeScriptsPath());
        QDir(path).removeRecursively();
        QFile::remove(path);
    }

    static void writeJudgeFile(const std::string& bytes)
    {
        std::ofstream out(ListFiles::JudgeScriptsPath(), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static std::vector<std::string> load()
    {
        MemoryListBox combo;
        combo.addItem("left over");
        ListFiles::LoadJudgeScripts(combo);
        std::vector<std::string> entries;
        for (int i = 0; i < combo.count(); ++i)
            entries.push_back(combo.item(i));
        return entries;
    }

    static std::string slurp(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    using Entries = std::vector<std::string>;
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

    struct Case {
        bool beside;
        bool user;
        std::string read;
        std::string save;
        Entries loaded;
    };
    const Case cases[] = {
        { false, false, installed, user, { "" } },
        { false, true, user, user, { "user" } },
        { true, true, beside, beside, { "beside" } },
    };
    for (const Case& c : cases) {
        removeJudgeFile();
        QDir(m_dir.filePath(u"Quorvane"_s)).removeRecursively();
        if (c.beside)
            writeJudgeFile("beside\r\n");
        if (c.user) {
            ASSERT_TRUE(QDir().mkpath(m_dir.filePath(u"Quorvane"_s)));
            std::ofstream(user, std::ios::binary) << "user\r\n";
        }
        EXPECT_EQ(JudgeListPaths::readPath(), c.read);
        EXPECT_EQ(JudgeListPaths::savePath(), c.save);
        EXPECT_EQ(load(), c.loaded);
        JudgeListEditor form;
        EXPECT_EQ(form.path(), c.read);
        form.Text1()->setPlainText(u"edited"_s);
        form.saveChanges();
        EXPECT_EQ(slurp(c.save), "edited\r\n");
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(ListFilesTest, JudgeFileGivesOneEntryPerLine)
{
    writeJudgeFile("http://a/azenv.php\r\nhttp://b/judge.cgi\r\n");
    EXPECT_EQ(load(), (Entries { "http://a/azenv.php", "http://b/judge.cgi" }));
    writeJudgeFile("http://a/azenv.php\r\nhttp://b/judge.cgi");
    EXPECT_EQ(load(), (Entries { "http://a/azenv.php", "http://b/judge.cgi" }));
    writeJudgeFile("a\r\n\r\n");
    EXPECT_EQ(load(), (Entries { "a", "" }));
    writeJudgeFile("http://a/azenv.php\nhttp://b/judge.cgi\n");
    EXPECT_EQ(load(), (Entries { "http://a/azenv.php", "http://b/judge.cgi" })) << "a list made on Linux";
    writeJudgeFile("a\r\nb\nc\rd");
    EXPECT_EQ(load(), (Entries { "a", "b", "c", "d" }));
    writeJudgeFile("a\rb");
    EXPECT_EQ(load(), (Entries { "a", "b" }));
}

TEST_F(ListFilesTest, MissingEmptyOrUnreadableFileGivesOneEmptyEntry)
{
    EXPECT_EQ(load(), (Entries { "" }));
    writeJudgeFile("");
    EXPECT_EQ(load(), (Entries { "" }));
    removeJudgeFile();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(ListFiles::JudgeScriptsPath())));
    EXPECT_EQ(load(), (Entries { "" })) << "a folder in its place cannot be read";
}

TEST_F(ListFilesTest, LoadStopsAtTheListLimit)
{
    std::string bytes;
    for (int i = 0; i < ListBox::kMaxEntries + 10; ++i)
        bytes += "http://judge/" + std::to_string(i) + "\r\n";
    writeJudgeFile(bytes);
    const Entries entries = load();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(ListBox::kMaxEntries));
    EXPECT_EQ(entries.back(), "http://judge/32766");
}

TEST_F(ListFilesTest, SaveWritesEachEntryWithCrLfInOrder)
{
    MemoryListBox list;
    list.addItem("1.2.3.4:80");
    list.addItem("5.6.7.8:3128");
    list.addItem("1.2.3.4:80");
    list.setSelectedIndex(1);
    const std::string path = m_dir.filePath(QStringLiteral("export.txt")).toStdString();
    std::string error = "untouched";
    EXPECT_TRUE(ListFiles::SaveListToFile(list, path, &error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(slurp(path), "1.2.3.4:80\r\n5.6.7.8:3128\r\n1.2.3.4:80\r\n");
    EXPECT_EQ(list.count(), 3) << "saving changes nothing in the list";
    EXPECT_EQ(list.selectedIndex(), 1);

    MemoryListBox empty;
    EXPECT_TRUE(ListFiles::SaveListToFile(empty, path));
    EXPECT_EQ(slurp(path), "") << "an empty list empties the file";
}

TEST_F(ListFilesTest, SaveFailuresAreReportedNotHidden)
{
    MemoryListBox list;
    list.addItem("1.2.3.4:80");
    std::string error;
    EXPECT_FALSE(ListFiles::SaveListToFile(list, "", &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(
        ListFiles::SaveListToFile(list, m_dir.filePath(QStringLiteral("missing/x.txt")).toStdString(), &error));
    EXPECT_FALSE(error.empty());
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        error.clear();
        EXPECT_FALSE(ListFiles::SaveListToFile(list, "/dev/full", &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(list.count(), 1);
}

TEST_F(ListFilesTest, SavedListLoadsBackUnchanged)
{
    MemoryListBox list;
    list.addItem("http://x/\xe9");
    list.addItem("");
    list.addItem("http://y/a b");
    ASSERT_TRUE(ListFiles::SaveListToFile(list, ListFiles::JudgeScriptsPath()));
    EXPECT_EQ(load(), (Entries { "http://x/\xe9", "", "http://y/a b" }));
}

} // namespace
} // namespace qv
