#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// ASCII letters only: protocol names and header names are ASCII, and Latin-1 letters beyond it
// must not match them.
inline char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);
// The value of a hexadecimal digit of either case, -1 for any other character.
int hexDigit(char c);

// A Latin-1 character that shows as one: not a control byte (C0, DEL, C1).
bool isPrintableLatin1(char c);
// Text fit for one line of a log or a message: ASCII control bytes (below 0x20, DEL) become '?',
// bytes from 0x80 on stay (the text may be UTF-8), and text longer than maxBytes is cut there with
// "..." added.
std::string printableText(std::string_view text, std::size_t maxBytes);

} // namespace qv
