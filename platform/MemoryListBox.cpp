#include "platform/MemoryListBox.h"

#include <algorithm>

namespace qv {

namespace {
unsigned char foldLatin1(unsigned char c)
{
    // Latin-1 upper case: A-Z and 0xC0-0xDE except the multiplication sign 0xD7.
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 32);
    return c;
}
} // namespace

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldLatin1(static_cast<unsigned char>(a[i])) != foldLatin1(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool MemoryListBox::addItem(const std::string& text)
{
    if (count() >= kMaxEntries)
        return false;
    m_items.push_back(text);
    return true;
}

bool MemoryListBox::insertItem(int index, const std::string& text)
{
    if (count() >= kMaxEntries)
        return false;
    index = std::clamp(index, 0, count());
    m_items.insert(m_items.begin() + index, text);
    if (m_selected >= index)
        ++m_selected;
    return true;
}

void MemoryListBox::removeItem(int index)
{
    if (index < 0 || index >= count())
        return;
    m_items.erase(m_items.begin() + index);
    if (m_selected == index)
        m_selected = -1;
    else if (m_selected > index)
        --m_selected;
}

void MemoryListBox::clear()
{
    m_items.clear();
    m_selected = -1;
}

std::string MemoryListBox::item(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return m_items[static_cast<std::size_t>(index)];
}

void MemoryListBox::setSelectedIndex(int index)
{
    m_selected = (index >= 0 && index < count()) ? index : -1;
}

int MemoryListBox::selectByText(const std::string& text)
{
    for (int i = 0; i < count(); ++i) {
        if (equalsIgnoringCase(m_items[static_cast<std::size_t>(i)], text)) {
            m_selected = i;
            return i;
        }
    }
    return -1;
}

} // namespace qv
