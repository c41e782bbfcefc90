#include <gtest/gtest.h>

#include "platform/MemoryListBox.h"

namespace qv {
namespace {

std::string all(const MemoryListBox& list)
{
    std::string text;
    for (int i = 0; i < list.count(); ++i)
        text += list.item(i) + ",";
    return text;
}

TEST(MemoryListBox, AddInsertRemoveASelectionThatFollowsItsEntryAndTheCap)
{
    MemoryListBox list;
    EXPECT_EQ(list.selectedIndex(), -1);
    EXPECT_EQ(list.text(), "");
    ASSERT_TRUE(list.addItem("a") && list.addItem("c") && list.addItem("e"));
    EXPECT_EQ(list.selectedIndex(), -1) << "adding does not select";
    list.setSelectedIndex(1);
    ASSERT_TRUE(list.insertItem(0, "0") && list.insertItem(2, "b") && list.insertItem(99, "f") && list.insertItem(-3, "-"));
    EXPECT_EQ(all(list), "-,0,a,b,c,e,f,");
    EXPECT_EQ(list.text(), "c");
    list.removeItem(0);
    EXPECT_EQ(list.selectedIndex(), 3);
    list.removeItem(3);
    EXPECT_EQ(list.selectedIndex(), -1) << "removing the selected entry clears the selection";
    list.removeItem(5);
    EXPECT_EQ(all(list), "0,a,b,e,f,");
    EXPECT_EQ(list.item(-1), "");
    list.setSelectedIndex(4);
    EXPECT_EQ(list.text(), "f");
    list.setSelectedIndex(5);
    EXPECT_EQ(list.selectedIndex(), -1);
    list.clear();
    EXPECT_EQ(list.count(), 0);
    // At most 32767 entries; the last one the cap lets in is the scan's and the list loader's test.
    for (int i = 0; i < ListBox::kMaxEntries; ++i)
        ASSERT_TRUE(list.addItem(std::to_string(i)));
    EXPECT_FALSE(list.addItem("one too many"));
    EXPECT_FALSE(list.insertItem(0, "nor at the head"));
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
