#include <gtest/gtest.h>

#include "platform/MemoryListBox.h"

namespace qv {
namespace {

TEST(MemoryListBox, AddRemoveReadAndSelection)
{
    MemoryListBox list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.selectedIndex(), -1);
    EXPECT_EQ(list.text(), "");
    ASSERT_TRUE(list.addItem("a"));
    ASSERT_TRUE(list.addItem("b"));
    ASSERT_TRUE(list.addItem("c"));
    EXPECT_EQ(list.selectedIndex(), -1) << "adding does not select";
    list.setSelectedIndex(2);
    EXPECT_EQ(list.text(), "c");
    list.removeItem(0);
    EXPECT_EQ(list.selectedIndex(), 1) << "selection follows its entry";
    EXPECT_EQ(list.text(), "c");
    list.removeItem(1);
    EXPECT_EQ(list.selectedIndex(), -1);
    list.removeItem(5);
    list.removeItem(-1);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.item(0), "b");
    EXPECT_EQ(list.item(1), "");
    EXPECT_EQ(list.item(-1), "");
    list.setSelectedIndex(7);
    EXPECT_EQ(list.selectedIndex(), -1);
    list.clear();
    EXPECT_EQ(list.count(), 0);
}

TEST(MemoryListBox, InsertKeepsOrderAndSelection)
{
    MemoryListBox list;
    list.addItem("c");
    list.setSelectedIndex(0);
    ASSERT_TRUE(list.insertItem(0, "a"));
    ASSERT_TRUE(list.insertItem(1, "b"));
    ASSERT_TRUE(list.insertItem(99, "d"));
    ASSERT_TRUE(list.insertItem(-3, "0"));
    EXPECT_EQ(list.item(0) + list.item(1) + list.item(2) + list.item(3) + list.item(4), "0abcd");
    EXPECT_EQ(list.text(), "c") << "the selection stays on its entry";
}

TEST(MemoryListBox, HoldsAtMost32767EntriesAndDropsTheHeadCheaply)
{
    MemoryListBox list;
    for (int i = 0; i < ListBox::kMaxEntries; ++i)
        ASSERT_TRUE(list.addItem(std::to_string(i)));
    EXPECT_FALSE(list.addItem("one too many"));
    EXPECT_FALSE(list.insertItem(0, "nor at the head"));
    EXPECT_EQ(list.count(), 32767);
    EXPECT_EQ(list.item(32766), "32766");
    // Emptying from the head, as a scan does.
    while (list.count() > 0)
        list.removeItem(0);
    EXPECT_TRUE(list.addItem("again"));
}

TEST(MemoryListBox, SelectByTextIgnoresCaseAndMatchesWholeText)
{
    MemoryListBox list;
    list.addItem("http://Judge.example/azenv.php");
    list.addItem("http://other/\xC9t\xE9");
    list.addItem("http://judge.example/azenv.php");
    list.setSelectedIndex(1);
    EXPECT_EQ(list.selectByText("HTTP://JUDGE.EXAMPLE/AZENV.PHP"), 0) << "the first match wins";
    EXPECT_EQ(list.selectedIndex(), 0);
    EXPECT_EQ(list.selectByText("http://OTHER/\xE9T\xC9"), 1) << "Latin-1 letters fold too";
    EXPECT_EQ(list.selectByText("http://judge.example"), -1) << "no prefix match";
    EXPECT_EQ(list.selectedIndex(), 1) << "a miss keeps the selection";
    EXPECT_FALSE(equalsIgnoringCase("\xD7", "\xF7")) << "multiplication and division signs differ";
}

} // namespace
} // namespace qv
