#include "app/check/EntryFilter.h"

#include <cstring>

#include "engine/ProxyEntry.h"
#include "platform/CaseFold.h"

namespace qv {

namespace {
// FNV-1a: simple, and the same everywhere, which a shard split across machines needs.
std::uint64_t fnv1a(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

// Spreads the bits of a packed address for the table; FNV's low bits alone cluster.
std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    return x ^ (x >> 33);
}

// A decimal number 0..max without leading zeros, or -1.
long plainNumber(std::string_view text, long max)
{
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == '0'))
        return -1;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value <= max ? value : -1;
}
} // namespace

EntryFilter::EntryFilter(bool unique, int shard, int shards)
    : m_seen(unique ? std::make_unique<DistinctSet>() : nullptr)
    , m_shard(shard)
    , m_shards(shards)
{
}

EntryFilter::~EntryFilter() = default;

std::string EntryFilter::key(std::string_view line)
{
    const ProxyEntry entry = ProxyEntry::parse(line);
    if (entry.usable())
        return foldCaseLatin1(entry.ip) + ':' + std::to_string(entry.port);
    return foldCaseLatin1(std::string(trimBlanks(line)));
}

int EntryFilter::shardOf(std::string_view line, int shards)
{
    return static_cast<int>(fnv1a(key(line)) % static_cast<std::uint64_t>(shards)) + 1;
}

bool EntryFilter::accept(std::string_view line)
{
    const std::string_view text = trimBlanks(line);
    if (text.empty() || text.front() == '#' || text.front() == ';')
        return false;
    if (m_shards == 1 && !m_seen)
        return true;
    const std::string entryKey = key(text);
    if (m_shards > 1 && static_cast<int>(fnv1a(entryKey) % static_cast<std::uint64_t>(m_shards)) + 1 != m_shard)
        return false;
    return !m_seen || m_seen->insert(entryKey);
}

std::uint64_t EntryFilter::DistinctSet::pack(std::string_view key)
{
    std::uint64_t packed = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = key.find(part < 3 ? '.' : ':');
        const long number = end == std::string_view::npos ? -1 : plainNumber(key.substr(0, end), 255);
        if (number < 0)
            return 0;
        packed = packed << 8 | static_cast<std::uint64_t>(number);
        key.remove_prefix(end + 1);
    }
    const long port = plainNumber(key, 65535);
    return port < 0 ? 0 : kPacked | packed << 16 | static_cast<std::uint64_t>(port);
}

std::uint64_t EntryFilter::DistinctSet::hashText(std::string_view text)
{
    return mix(fnv1a(text));
}

std::string_view EntryFilter::DistinctSet::textAt(std::uint64_t slot) const
{
    const std::uint64_t at = slot - 1;
    const unsigned char* bytes = m_blocks[at / kBlockBytes].get() + at % kBlockBytes;
    // One byte of length below 128, else two.
    const std::size_t length = bytes[0] < 128 ? bytes[0] : (std::size_t { bytes[0] } - 128) << 8 | bytes[1];
    const std::size_t skip = bytes[0] < 128 ? 1 : 2;
    return { reinterpret_cast<const char*>(bytes + skip), length };
}

std::uint64_t EntryFilter::DistinctSet::hashOf(std::uint64_t slot) const
{
    return slot & kPacked ? mix(slot) : hashText(textAt(slot));
}

std::uint64_t EntryFilter::DistinctSet::store(std::string_view key)
{
    // Keys are list lines, which the reader cuts at 64 KiB, and a port: the length fits 15 bits.
    const std::size_t length = std::min<std::size_t>(key.size(), 0x7fff);
    const std::size_t need = length + (length < 128 ? 1 : 2);
    if (m_blockUsed + need > kBlockBytes) {
        m_blocks.push_back(std::make_unique<unsigned char[]>(kBlockBytes));
        m_blockUsed = 0;
    }
    unsigned char* bytes = m_blocks.back().get() + m_blockUsed;
    if (length < 128) {
        *bytes++ = static_cast<unsigned char>(length);
    } else {
        *bytes++ = static_cast<unsigned char>(128 + (length >> 8));
        *bytes++ = static_cast<unsigned char>(length & 255);
    }
    std::memcpy(bytes, key.data(), length);
    const std::uint64_t slot = (m_blocks.size() - 1) * kBlockBytes + m_blockUsed + 1;
    m_blockUsed += need;
    return slot;
}

void EntryFilter::DistinctSet::grow()
{
    std::vector<std::uint64_t> old(std::max<std::size_t>(1024, m_slots.size() * 2), 0);
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const std::uint64_t slot : old) {
        if (slot == 0)
            continue;
        std::size_t at = hashOf(slot) & mask;
        while (m_slots[at] != 0)
            at = (at + 1) & mask;
        m_slots[at] = slot;
    }
}

bool EntryFilter::DistinctSet::insert(std::string_view key)
{
    if ((m_size + 1) * 4 > m_slots.size() * 3)
        grow();
    key = key.substr(0, 0x7fff);
    const std::uint64_t packed = pack(key);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = (packed ? mix(packed) : hashText(key)) & mask;
    for (; m_slots[at] != 0; at = (at + 1) & mask) {
        const std::uint64_t slot = m_slots[at];
        if (packed ? slot == packed : !(slot & kPacked) && textAt(slot) == key)
            return false;
    }
    m_slots[at] = packed ? packed : store(key);
    ++m_size;
    return true;
}

std::size_t EntryFilter::DistinctSet::bytesUsed() const
{
    return m_slots.size() * sizeof(std::uint64_t) + m_blocks.size() * kBlockBytes;
}

} // namespace qv
