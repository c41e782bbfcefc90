#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/ListFiles.h"
#include "platform/MemoryListBox.h"

namespace qv {
namespace {

struct Case
{
    const char* name;
    std::vector<std::string> entries;
    std::vector<std::string> survivors;
    int selected; // where the last search leaves the selection
};

// The quadratic search-from-the-top rule, run literally against the list box.
void removeDuplicatesByRule(ListBox& list)
{
    if (list.count() == 0)
        return;
    int i = 0;
    while (i < list.count()) {
        if (list.selectByText(list.item(i)) == i)
            ++i;
        else
            list.removeItem(i);
    }
}

std::vector<std::string> entriesOf(const ListBox& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i)
        out.push_back(list.item(i));
    return out;
}

class RemoveDuplicatesTest : public testing::TestWithParam<Case>
{
};

TEST_P(RemoveDuplicatesTest, KeepsFirstOfEachKindInOrder)
{
    const Case& c = GetParam();
    MemoryListBox list;
    MemoryListBox reference;
    for (const std::string& e : c.entries) {
        list.addItem(e);
        reference.addItem(e);
    }
    ListFiles::RemoveDuplicates(list);
    removeDuplicatesByRule(reference);

    EXPECT_EQ(entriesOf(list), c.survivors);
    EXPECT_EQ(list.selectedIndex(), c.selected);
    EXPECT_EQ(entriesOf(list), entriesOf(reference));
    EXPECT_EQ(list.selectedIndex(), reference.selectedIndex());
}

INSTANTIATE_TEST_SUITE_P(Lists, RemoveDuplicatesTest,
    testing::Values(Case { "MixedCase", { "A", "b", "a", "B", "A" }, { "A", "b" }, 0 },
        Case { "LastIsUnique", { "x", "X", "y" }, { "x", "y" }, 1 },
        Case { "NoDuplicates", { "1.2.3.4:80", "5.6.7.8:3128" }, { "1.2.3.4:80", "5.6.7.8:3128" }, 1 },
        Case { "AllEqual", { "p:1", "P:1", "p:1" }, { "p:1" }, 0 },
        Case { "EmptyEntries", { "", "a", "", "A" }, { "", "a" }, 1 },
        Case { "Latin1Letters", { "\xC9t\xE9", "\xE9T\xC9", "\xD7", "\xF7" }, { "\xC9t\xE9", "\xD7", "\xF7" },
            2 },
        Case { "PrefixIsNotEqual", { "ab", "a", "AB", "abc" }, { "ab", "a", "abc" }, 2 }),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(RemoveDuplicates, EmptyListKeepsItsSelection)
{
    MemoryListBox list;
    ListFiles::RemoveDuplicates(list);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.selectedIndex(), -1);
}

TEST(RemoveDuplicates, FullListAgreesWithTheRule)
{
    MemoryListBox list;
    MemoryListBox reference;
    for (int i = 0; i < ListBox::kMaxEntries; ++i) {
        const std::string text = (i % 3 ? "h" : "H") + std::to_string(i % 1000);
        list.addItem(text);
        if (i < 3000)
            reference.addItem(text);
    }
    ListFiles::RemoveDuplicates(list);
    removeDuplicatesByRule(reference);
    EXPECT_EQ(entriesOf(list), entriesOf(reference));
    EXPECT_EQ(list.selectedIndex(), 766); // entry 32766 is h766, whose first is at 766
}

} // namespace
} // namespace qv
