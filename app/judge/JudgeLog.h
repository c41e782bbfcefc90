#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The judge's log lines, one per connection's end:
//   2026-12-07T13:20:01.123Z 203.0.113.9 GET "/?a=b" -> 3 transparent "X-Forwarded-For: 10.0.0.1"
// Everything a client sent is escaped, so no request can start a line, close a quoted field or turn
// the text around on a terminal.
class JudgeLog final
{
public:
    static std::string line(std::chrono::system_clock::time_point time, std::string_view address,
        std::string_view method, const std::optional<std::string>& target, std::string_view outcome);
    // ISO 8601 in UTC with milliseconds.
    static std::string timestamp(std::chrono::system_clock::time_point time);
    // Bytes outside printable ASCII (controls, and every byte of a non-ASCII character, bidi controls
    // among them), quotes and backslashes become \xNN; at most kExcerpt bytes are kept.
    static std::string escaped(std::string_view text);
    // The same in quotes, with "..." after the closing quote when cut.
    static std::string quoted(std::string_view text);

    static constexpr std::size_t kExcerpt = 200;
};

} // namespace qv
