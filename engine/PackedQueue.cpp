#include "engine/PackedQueue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace qv {

namespace {
constexpr std::size_t kAddressBytes = 6;

// "a.b.c.d:port" written exactly the plain way (no leading zeros, nothing else), as the four
// address bytes and the port. Every loaded line comes through here, so it is one quick pass.
std::optional<std::array<unsigned char, kAddressBytes>> packAddress(std::string_view text)
{
    if (text.size() < 9 || text.size() > 21)
        return std::nullopt;
    std::array<unsigned char, kAddressBytes> bytes {};
    const char* at = text.data();
    const char* const end = at + text.size();
    for (std::size_t part = 0; part < 5; ++part) {
        const char* const first = at;
        unsigned value = 0;
        while (at != end && static_cast<unsigned char>(*at - '0') < 10)
            value = value * 10 + static_cast<unsigned>(*at++ - '0');
        const auto digits = static_cast<std::size_t>(at - first);
        if (digits == 0 || digits > (part < 4 ? 3u : 5u) || (digits > 1 && *first == '0'))
            return std::nullopt;
        if (part == 4) {
            if (at != end || value > 65535)
                return std::nullopt;
            bytes[4] = static_cast<unsigned char>(value >> 8);
            bytes[5] = static_cast<unsigned char>(value & 0xFF);
        } else {
            if (value > 255 || at == end || *at != (part < 3 ? '.' : ':'))
                return std::nullopt;
            bytes[part] = static_cast<unsigned char>(value);
            ++at;
        }
    }
    return bytes;
}

char* writeNumber(char* at, unsigned value)
{
    return std::to_chars(at, at + 5, value).ptr;
}
} // namespace

// Each entry is a length L in base-128 digits (the high bit marks that another follows), then:
// L = 0, the six bytes of a packed address; L > 0, L - 1 bytes of text.
bool PackedQueue::append(const std::string& text)
{
    unsigned char head[1 + kAddressBytes];
    std::size_t headSize = 0;
    std::string_view rest;
    if (const auto address = packAddress(text)) {
        head[headSize++] = 0;
        for (const unsigned char byte : *address)
            head[headSize++] = byte;
    } else {
        for (std::size_t length = text.size() + 1; length != 0;) {
            const auto digit = static_cast<unsigned char>(length & 0x7F);
            length >>= 7;
            head[headSize++] = length != 0 ? static_cast<unsigned char>(digit | 0x80) : digit;
        }
        rest = text;
    }
    const std::size_t need = headSize + rest.size();
    if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < need) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(std::max(kBlockBytes, need));
    }
    Block& block = m_blocks.back();
    block.insert(block.end(), head, head + headSize);
    block.insert(block.end(), rest.begin(), rest.end());
    ++m_count;
    return true;
}

std::size_t PackedQueue::decode(const Block& block, std::size_t offset, std::string& text)
{
    std::size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char digit = block[offset++];
        length |= static_cast<std::size_t>(digit & 0x7F) << shift;
        if (!(digit & 0x80))
            break;
    }
    if (length > 0) {
        text.assign(reinterpret_cast<const char*>(block.data() + offset), length - 1);
        return offset + length - 1;
    }
    char plain[32];
    char* at = plain;
    for (std::size_t part = 0; part < 4; ++part) {
        at = writeNumber(at, block[offset + part]);
        *at++ = part < 3 ? '.' : ':';
    }
    at = writeNumber(at, (static_cast<unsigned>(block[offset + 4]) << 8) | block[offset + 5]);
    text.assign(plain, at);
    return offset + kAddressBytes;
}

bool PackedQueue::takeFront(std::string& text)
{
    if (!m_returned.empty()) {
        text = std::move(m_returned.back());
        m_returned.pop_back();
        --m_count;
        return true;
    }
    if (m_count == 0)
        return false;
    m_head = decode(m_blocks.front(), m_head, text);
    --m_count;
    if (m_head == m_blocks.front().size()) {
        m_head = 0;
        if (m_blocks.size() > 1)
            m_blocks.pop_front();
        else
            m_blocks.front().clear();
    }
    return true;
}

std::size_t PackedQueue::putFront(const std::vector<std::string>& texts)
{
    m_returned.insert(m_returned.end(), texts.rbegin(), texts.rend());
    m_count += texts.size();
    return texts.size();
}

void PackedQueue::clear()
{
    m_blocks.clear();
    m_returned.clear();
    m_head = 0;
    m_count = 0;
}

} // namespace qv
