#include "app/check/PendingQueue.h"

#include "engine/ProxyEntry.h"

namespace qv {

void PendingQueue::add(const std::string& line)
{
    if (m_filter && !m_filter->accept(line))
        return;
    // Without the blanks a plain entry packs into 7 bytes.
    const std::string entry(trimBlanks(line));
    m_queue.append(entry);
    ++m_accepted;
    if (onAccepted)
        onAccepted(entry);
}

bool PendingQueue::load(TextFileReader& file, std::string& error)
{
    while (file.readLine(m_line))
        add(m_line);
    if (file.failed()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void PendingQueue::streamStandardInput()
{
    m_input.openStandardInput();
    m_streaming = true;
}

bool PendingQueue::pull()
{
    if (!m_streaming)
        return false;
    const std::size_t before = m_accepted;
    while (m_queue.count() < kStreamBound) {
        const TextFileReader::Next next = m_input.readLineIfReady(m_line);
        if (next == TextFileReader::Next::Wait)
            return m_accepted != before;
        if (next == TextFileReader::Next::End) {
            m_streaming = false;
            return true;
        }
        add(m_line);
    }
    return m_accepted != before;
}

bool PendingQueue::takeFront(std::string& text)
{
    if (m_queue.count() == 0)
        pull();
    return m_queue.takeFront(text);
}

} // namespace qv
