#include "app/judge/JudgeLog.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace qv {

std::string JudgeLog::timestamp(std::chrono::system_clock::time_point time)
{
    const auto since = time.time_since_epoch();
    const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000;
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(millis));
    return text;
}

std::string JudgeLog::escaped(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(std::min(text.size(), kExcerpt) + 8);
    for (const char c : text.substr(0, kExcerpt)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || c == '"' || c == '\\') {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

std::string JudgeLog::quoted(std::string_view text)
{
    return '"' + escaped(text) + '"' + (text.size() > kExcerpt ? "..." : "");
}

std::string JudgeLog::line(std::chrono::system_clock::time_point time, std::string_view address,
    std::string_view method, const std::optional<std::string>& target, std::string_view outcome)
{
    std::string out = timestamp(time);
    out += ' ';
    out += address;
    out += ' ';
    out += method.empty() ? "-" : escaped(method);
    out += ' ';
    out += target ? quoted(*target) : "-";
    out += " -> ";
    out += outcome;
    out += '\n';
    return out;
}

} // namespace qv
