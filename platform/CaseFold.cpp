#include "platform/CaseFold.h"

namespace qv {

std::string foldCaseLatin1(const std::string& text)
{
    std::string folded = text;
    for (char& ch : folded) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            ch = static_cast<char>(c + 32);
    }
    return folded;
}

} // namespace qv
