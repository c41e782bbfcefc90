#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/ListFiles.h"
#include "platform/MemoryListBox.h"

namespace qv {
namespace {

using Entries = std::vector<std::string>;

// The quadratic search-from-the-top rule, run literally against the list box.
void removeDuplicatesByRule(ListBox& list)
{
    for (int i = 0; i < list.count();) {
        if (list.selectByText(list.item(i)) == i)
            ++i;
        else
            list.removeItem(i);
    }
}

Entries entriesOf(const ListBox& list)
{
    Entries out;
    for (int i = 0; i < list.count(); ++i)
        out.push_back(list.item(i));
    return out;
}

// Keeps the first of each kind (letter case ignored) in order; the selection is where the last
// search of the rule leaves it.
TEST(RemoveDuplicates, KeepsFirstOfEachKindInOrder)
{
    struct Case
    {
        Entries entries;
        Entries survivors;
        int selected;
    };
    const Case cases[] = {
        { {}, {}, -1 },
        { { "A", "b", "a", "B", "A" }, { "A", "b" }, 0 },
        { { "x", "X", "y" }, { "x", "y" }, 1 },
        { { "1.2.3.4:80", "5.6.7.8:3128" }, { "1.2.3.4:80", "5.6.7.8:3128" }, 1 },
        { { "p:1", "P:1", "p:1" }, { "p:1" }, 0 },
        { { "", "a", "", "A" }, { "", "a" }, 1 },
        { { "\xC9t\xE9", "\xE9T\xC9", "\xD7", "\xF7" }, { "\xC9t\xE9", "\xD7", "\xF7" }, 2 },
        { { "ab", "a", "AB", "abc" }, { "ab", "a", "abc" }, 2 },
    };
    for (const Case& c : cases) {
        MemoryListBox list;
        MemoryListBox reference;
        for (const std::string& e : c.entries) {
            list.addItem(e);
            reference.addItem(e);
        }
        ListFiles::RemoveDuplicates(list);
        removeDuplicatesByRule(reference);
        EXPECT_EQ(entriesOf(list), c.survivors);
        EXPECT_EQ(list.selectedIndex(), c.selected) << c.entries.size();
        EXPECT_EQ(entriesOf(list), entriesOf(reference));
        EXPECT_EQ(list.selectedIndex(), reference.selectedIndex());
    }
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
