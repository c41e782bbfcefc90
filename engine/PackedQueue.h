#pragma once

#include <deque>
#include <string>
#include <vector>

#include "engine/EntryQueue.h"

namespace qv {

// An entry queue without a limit that holds millions of entries in little memory: the entries lie
// one after another in blocks of bytes, each behind a length. An IPv4 address and port written
// the plain way ("1.2.3.4:8080": no blanks, no leading zeros) take 7 bytes; any other text its
// length plus one (two from 127 bytes on). Taking the head frees each block once it is read out.
class PackedQueue final : public EntryQueue {
public:
    static constexpr std::size_t kBlockBytes = 256 * 1024;

    PackedQueue() = default;
    PackedQueue(const PackedQueue&) = delete;
    PackedQueue& operator=(const PackedQueue&) = delete;

    std::size_t count() const override { return m_count; }
    bool append(const std::string& text) override;
    bool takeFront(std::string& text) override;
    std::size_t putFront(const std::vector<std::string>& texts) override;
    void clear();

    // Calls visit(const std::string&) for every entry, head first.
    template <typename Visit>
    void forEach(Visit visit) const
    {
        std::string text;
        for (auto it = m_returned.rbegin(); it != m_returned.rend(); ++it)
            visit(*it);
        for (std::size_t b = 0; b < m_blocks.size(); ++b) {
            for (std::size_t at = b == 0 ? m_head : 0; at < m_blocks[b].size();) {
                at = decode(m_blocks[b], at, text);
                visit(text);
            }
        }
    }

private:
    using Block = std::vector<unsigned char>;
    // Reads the entry at offset into text; returns the offset of the next.
    static std::size_t decode(const Block& block, std::size_t offset, std::string& text);

    std::deque<Block> m_blocks;
    std::size_t m_head = 0; // read offset in the first block
    std::vector<std::string> m_returned; // put back at the head, the next one to take last
    std::size_t m_count = 0;
};

} // namespace qv
