#include "platform/gui/ComboListBox.h"

#include <algorithm>

#include "platform/MemoryListBox.h"

namespace qv {

ComboListBox::ComboListBox(QComboBox* combo)
    : m_combo(combo)
{
}

int ComboListBox::count() const
{
    return m_combo ? m_combo->count() : 0;
}

bool ComboListBox::addItem(const std::string& text)
{
    if (!m_combo || count() >= kMaxEntries)
        return false;
    const int selected = m_combo->currentIndex();
    m_combo->addItem(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    if (m_combo->currentIndex() != selected)
        m_combo->setCurrentIndex(selected);
    return true;
}

bool ComboListBox::insertItem(int index, const std::string& text)
{
    if (!m_combo || count() >= kMaxEntries)
        return false;
    m_combo->insertItem(std::clamp(index, 0, count()), QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    return true;
}

void ComboListBox::removeItem(int index)
{
    if (m_combo && index >= 0 && index < count())
        m_combo->removeItem(index);
}

void ComboListBox::clear()
{
    if (m_combo)
        m_combo->clear();
}

std::string ComboListBox::item(int index) const
{
    if (!m_combo || index < 0 || index >= count())
        return {};
    return m_combo->itemText(index).toLatin1().toStdString();
}

int ComboListBox::selectedIndex() const
{
    return m_combo ? m_combo->currentIndex() : -1;
}

void ComboListBox::setSelectedIndex(int index)
{
    if (m_combo)
        m_combo->setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

int ComboListBox::selectByText(const std::string& text)
{
    for (int i = 0; i < count(); ++i) {
        if (equalsIgnoringCase(item(i), text)) {
            m_combo->setCurrentIndex(i);
            return i;
        }
    }
    return -1;
}

} // namespace qv
