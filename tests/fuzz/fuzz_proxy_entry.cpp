// The proxy entry parser: the address is the text before the first ":", an entry is usable
// exactly when its port is a whole number 1-65535 (blanks around allowed) and the address is not
// empty, and a usable entry written back as address:port parses to the same proxy.
#include <algorithm>

#include "engine/ProxyEntry.h"
#include "FuzzCheck.h"

QV_FUZZ_TARGET
{
    const std::string_view text = input;
    const ProxyEntry entry = ProxyEntry::parse(text);
    QV_FUZZ_CHECK(entry.ip == text.substr(0, text.find(':')));

    const std::size_t first = text.find(':');
    const std::string_view port = first == std::string_view::npos
        ? std::string_view()
        : text.substr(first + 1, text.find(':', first + 1) - first - 1);
    const long long number = parseWholeNumber(port, 65535);
    QV_FUZZ_CHECK(number >= -1 && number <= 65535);
    if (number >= 0) {
        const std::size_t begin = port.find_first_not_of(" \t");
        const std::string_view digits = port.substr(begin, port.find_last_not_of(" \t") - begin + 1);
        QV_FUZZ_CHECK(digits.find_first_not_of("0123456789") == std::string_view::npos);
        QV_FUZZ_CHECK(std::to_string(number) == digits.substr(std::min(digits.find_first_not_of('0'), digits.size() - 1)));
    }
    QV_FUZZ_CHECK(entry.usable() == (!entry.ip.empty() && number >= 1));
    if (entry.usable()) {
        QV_FUZZ_CHECK(entry.port == number);
        const ProxyEntry again = ProxyEntry::parse(entry.ip + ':' + std::to_string(entry.port));
        QV_FUZZ_CHECK(again.usable() && again.ip == entry.ip && again.port == entry.port);
    }
}
