#include <gtest/gtest.h>

#include "engine/JudgeProtocol.h"
#include "engine/ProxyEntry.h"

namespace qv {
namespace {

// The request itself is checked where the scan sends it (ScanEvents).
TEST(JudgeProtocol, PassAndLevel)
{
    const std::string A = "color:blue\">", B = "color=\"blue\">", C = "color=\"yellow\"><B>";
    const std::optional<std::string> fails;
    const std::pair<std::string, std::optional<std::string>> rows[] = {
        { "<html>" + A + "1</html>", fails },
        { "comment " + A + "1", fails },
        { "Comment", "" },
        { "Comment" + C + "5" + B + "4" + A + "3", "3" }, // A decides over B and C
        { "Comment" + B + "2 rest", "2" },
        { "Comment" + B + "2" + C + "1", "1" }, // C decides over B
        { "Comment" + C + "1" + B + "2", "1" },
        { "Comment" + A + A + "9", "" }, // an empty piece at A
        { "Comment" + A + A + B + "7", "7" },
        { "Comment" + B, "" },
        { "Comment" + B + "2" + C, "" }, // an empty C still decides
        { "Comment <font color=\"BLUE\">4", "" },
        { std::string("\0\xff\x01" "Comment\0", 11) + A + "\xe9", "\xe9" }, // Latin-1 é
        // A control byte is no level: it would break the result line.
        { "Comment" + A + "\n2", "" }, { "Comment" + A + "\r", "" }, { "Comment" + A + std::string("\0", 1), "" },
        { "Comment" + A + "\x85", "" }, { "Comment" + A + "\x7f", "" }, { "Comment" + C + "\t" + B + "2", "" },
    };
    for (const auto& [answer, level] : rows)
        EXPECT_EQ(JudgeProtocol::judge(answer), level) << answer;
}

TEST(ProxyEntry, SplitsAtColonsAndReadsThePortAsANumber)
{
    const std::tuple<std::string, std::string, int> rows[] = {
        { "1.2.3.4:8080", "1.2.3.4", 8080 }, { "1.2.3.4:3128:extra", "1.2.3.4", 3128 },
        { "1.2.3.4: 80 ", "1.2.3.4", 80 }, { "1.2.3.4:\t0080 ", "1.2.3.4", 80 }, { "1.2.3.4:65535", "1.2.3.4", 65535 },
        { "1.2.3.4:1", "1.2.3.4", 1 }, { "", "", 0 }, { "bare.host", "bare.host", 0 }, { "1.2.3.4:", "1.2.3.4", 0 },
        { "1.2.3.4:0", "1.2.3.4", 0 }, { "1.2.3.4:65536", "1.2.3.4", 0 }, { "1.2.3.4:99999999999999999999", "1.2.3.4", 0 },
        { "1.2.3.4:80x", "1.2.3.4", 0 }, { "1.2.3.4:-80", "1.2.3.4", 0 }, { "1.2.3.4:+80", "1.2.3.4", 0 },
        { ":80", "", 0 }, { "1.2.3.4:8 0", "1.2.3.4", 0 }, { " \t1.2.3.4 :80\t", "1.2.3.4", 80 }, { "\t bare.host ", "bare.host", 0 },
    };
    for (const auto& [text, ip, port] : rows) {
        const ProxyEntry entry = ProxyEntry::parse(text);
        EXPECT_EQ(entry.ip, ip) << text;
        EXPECT_EQ(entry.port, port) << text;
        EXPECT_EQ(entry.usable(), port > 0) << text;
    }
}

} // namespace
} // namespace qv
