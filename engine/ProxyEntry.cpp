#include "engine/ProxyEntry.h"

namespace qv {

namespace {
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
} // namespace

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

long long parseWholeNumber(std::string_view text, long long max)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    if (begin == end)
        return -1;
    long long value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
        if (value > max)
            return -1;
    }
    return value;
}

ProxyEntry ProxyEntry::parse(std::string_view text)
{
    ProxyEntry entry;
    // Blanks around the entry or its address come from hand-made lists; no host name has them.
    text = trimBlanks(text);
    const std::size_t first = text.find(':');
    if (first == std::string_view::npos) {
        entry.ip = std::string(text);
        return entry;
    }
    entry.ip = std::string(trimBlanks(text.substr(0, first)));
    const std::size_t second = text.find(':', first + 1);
    const std::string_view port
        = text.substr(first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
    const long long number = parseWholeNumber(port, 65535);
    if (!entry.ip.empty() && number >= 1)
        entry.port = static_cast<int>(number);
    return entry;
}

} // namespace qv
