#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Which list lines quorvane-check checks: not blank lines or comments (# or ;), with --shard only
// the entries of its shard, and with --unique each distinct entry once.
class EntryFilter final {
public:
    // shard is 1..shards.
    EntryFilter(bool unique, int shard, int shards);
    ~EntryFilter();
    EntryFilter(const EntryFilter&) = delete;
    EntryFilter& operator=(const EntryFilter&) = delete;

    bool accept(std::string_view line);

    // The text two lines share exactly when Kill Duplicates would take them for the same proxy:
    // a usable entry is its address, folded to lower case, ':' and the port's number; anything
    // else is the whole entry folded.
    static std::string key(std::string_view line);
    // Which shard (1..shards) an entry belongs to: a stable hash of its key, the same on every
    // machine and in every run, so that copies of a list split it between them exactly.
    static int shardOf(std::string_view line, int shards);

    // The entries seen, kept in 8 bytes each (16 while the table grows) for a plain IPv4 address
    // and port, and in 8 bytes plus the key's length plus one or two for anything else.
    class DistinctSet;

private:
    std::unique_ptr<DistinctSet> m_seen; // only with --unique
    int m_shard;
    int m_shards;
};

class EntryFilter::DistinctSet final {
public:
    // False when key was inserted before.
    bool insert(std::string_view key);
    std::size_t size() const { return m_size; }
    std::size_t bytesUsed() const;

private:
    static constexpr std::uint64_t kPacked = std::uint64_t { 1 } << 63;
    static constexpr std::size_t kBlockBytes = 256 * 1024;
    // A plain "a.b.c.d:port" as kPacked | address << 16 | port, else 0.
    static std::uint64_t pack(std::string_view key);
    std::uint64_t hashOf(std::uint64_t slot) const;
    static std::uint64_t hashText(std::string_view text);
    std::string_view textAt(std::uint64_t slot) const;
    std::uint64_t store(std::string_view key);
    void grow();

    // Open addressing with linear probing; 0 is an empty slot. A slot that is not packed is the
    // place (plus one) of the key's text in the blocks below.
    std::vector<std::uint64_t> m_slots;
    std::size_t m_size = 0;
    std::vector<std::unique_ptr<unsigned char[]>> m_blocks;
    std::size_t m_blockUsed = kBlockBytes;
};

} // namespace qv
