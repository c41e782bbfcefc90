#pragma once

#include <string>
#include <string_view>

namespace qv {

// One pending-list entry split into address and port. The address is the text before the first
// ":", the port the part between the first and the second ":" (anything after is ignored); blanks
// and tabs around either are not part of it. Only
// the port's number is kept: the found list, the export and the desktop proxy all show it as
// digits alone, whatever blanks or leading zeros the entry had.
struct ProxyEntry {
    std::string ip;
    int port = 0; // 1..65535 when usable()

    // An entry is usable when it has a non-empty address and a port text that is a whole number
    // from 1 to 65535, blanks around it allowed.
    bool usable() const { return port > 0; }

    static ProxyEntry parse(std::string_view text);
};

// text without the blanks and tabs at its ends.
std::string_view trimBlanks(std::string_view text);

// A whole positive number with optional blanks around it, or -1. Values above max give -1.
long long parseWholeNumber(std::string_view text, long long max);

} // namespace qv
