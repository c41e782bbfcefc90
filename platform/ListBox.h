#pragma once

#include <string>

namespace qv {

// An ordered list of text entries addressed by a 16-bit signed index, so it holds at most
// kMaxEntries. Texts are bytes, one character per byte (Latin-1).
class ListBox {
public:
    static constexpr int kMaxEntries = 32767;

    virtual ~ListBox() = default;

    virtual int count() const = 0;
    // Appends at the end; false (and nothing added) when the list is full.
    virtual bool addItem(const std::string& text) = 0;
    // Out-of-range indexes are ignored.
    virtual void removeItem(int index) = 0;
    virtual void clear() = 0;
    // The entry at index, or the empty text when out of range.
    virtual std::string item(int index) const = 0;

    // -1 when nothing is selected.
    virtual int selectedIndex() const = 0;
    virtual void setSelectedIndex(int index) = 0;
    // The text of the selected entry, or empty.
    std::string text() const { return item(selectedIndex()); }

    // Selects the first entry whose whole text equals text without regard to letter case and returns
    // its index; returns -1 and leaves the selection as it was when there is none.
    virtual int selectByText(const std::string& text) = 0;
};

} // namespace qv
