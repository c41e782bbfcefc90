#include "engine/ListBoxQueue.h"

namespace qv {

bool ListBoxQueue::takeFront(std::string& text)
{
    if (m_list.count() == 0)
        return false;
    text = m_list.item(0);
    m_list.removeItem(0);
    return true;
}

std::size_t ListBoxQueue::putFront(const std::vector<std::string>& texts)
{
    int head = 0;
    for (const std::string& text : texts) {
        if (m_list.insertItem(head, text))
            ++head;
    }
    return static_cast<std::size_t>(head);
}

} // namespace qv
