#include "engine/PackedQueue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace qv {

namespace {
constexpr std::size_t kAddressBytes = 6;

// A whole number of 1..maxDigits digits, without a leading zero unless it is "0".
std::optional<unsigned> plainNumber(std::string_view text, std::size_t maxDigits, unsigned max)
{
    if (text.empty() || text.size() > maxDigits || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

// "a.b.c.d:port" written exactly the plain way, as the four address bytes and the port.
std::optional<std::array<unsigned char, kAddressBytes>> packAddress(std::string_view text)
{
    std::array<unsigned char, kAddressBytes> bytes {};
    for (std::size_t part = 0; part < 4; ++part) {
        const std::size_t end = text.find(part < 3 ? '.' : ':');
        if (end == std::string_view::npos)
            return std::nullopt;
        const auto octet = plainNumber(text.substr(0, end), 3, 255);
        if (!octet)
            return std::nullopt;
        bytes[part] = static_cast<unsigned char>(*octet);
        text.remove_prefix(end + 1);
    }
    const auto port = plainNumber(text, 5, 65535);
    if (!port)
        return std::nullopt;
    bytes[4] = static_cast<unsigned char>(*port >> 8);
    bytes[5] = static_cast<unsigned char>(*port & 0xFF);
    return bytes;
}

void appendNumber(std::string& text, unsigned value)
{
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}
} // namespace

// Each entry is a length L in base-128 digits (the high bit marks that another follows), then:
// L = 0, the six bytes of a packed address; L > 0, L - 1 bytes of text.
bool PackedQueue::append(const std::string& text)
{
    const auto address = packAddress(text);
    std::size_t length = address ? 0 : text.size() + 1;
    const std::size_t need = 10 + (address ? kAddressBytes : text.size());
    if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < need) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(std::max(kBlockBytes, need));
    }
    Block& block = m_blocks.back();
    do {
        const auto digit = static_cast<unsigned char>(length & 0x7F);
        length >>= 7;
        block.push_back(length != 0 ? static_cast<unsigned char>(digit | 0x80) : digit);
    } while (length != 0);
    if (address)
        block.insert(block.end(), address->begin(), address->end());
    else
        block.insert(block.end(), text.begin(), text.end());
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
    text.clear();
    if (length > 0) {
        text.assign(reinterpret_cast<const char*>(block.data() + offset), length - 1);
        return offset + length - 1;
    }
    for (std::size_t part = 0; part < 4; ++part) {
        appendNumber(text, block[offset + part]);
        text.push_back(part < 3 ? '.' : ':');
    }
    appendNumber(text, (static_cast<unsigned>(block[offset + 4]) << 8) | block[offset + 5]);
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
