#include <gtest/gtest.h>

#include "engine/JudgeProtocol.h"
#include "engine/ProxyEntry.h"

namespace qv {
namespace {

TEST(JudgeRequest, IsTheRequestLineAndThreeLineEndsOnly)
{
    const std::string url = "http://judge.test:8080/cgi-bin/env.pl?x=1 y";
    const std::string request = JudgeProtocol::request(url);
    EXPECT_EQ(request.size(), 19 + url.size());
    EXPECT_EQ(request, "GET " + url + " HTTP/1.0\r\n\r\n\r\n");
    EXPECT_EQ(JudgeProtocol::request(""), "GET  HTTP/1.0\r\n\r\n\r\n");
}

struct JudgeCase {
    const char* name;
    std::string answer;
    std::optional<std::string> level;
};

class JudgeAnswer : public testing::TestWithParam<JudgeCase> { };

TEST_P(JudgeAnswer, PassAndLevel)
{
    EXPECT_EQ(JudgeProtocol::judge(GetParam().answer), GetParam().level);
}

const std::string A = "color:blue\">";
const std::string B = "color=\"blue\">";
const std::string C = "color=\"yellow\"><B>";

INSTANTIATE_TEST_SUITE_P(Markers, JudgeAnswer,
    testing::Values(JudgeCase { "NoComment", "<html>" + A + "1</html>", std::nullopt },
        JudgeCase { "LowerCaseComment", "comment " + A + "1", std::nullopt },
        JudgeCase { "NoMarker", "Comment", std::string() },
        JudgeCase { "ADecidesOverBAndC", "Comment" + C + "5" + B + "4" + A + "3", std::string("3") },
        JudgeCase { "BOnly", "Comment" + B + "2 rest", std::string("2") },
        JudgeCase { "CDecidesOverB", "Comment" + B + "2" + C + "1", std::string("1") },
        JudgeCase { "CBeforeBStillDecides", "Comment" + C + "1" + B + "2", std::string("1") },
        JudgeCase { "EmptyPieceAtA", "Comment" + A + A + "9", std::string() },
        JudgeCase { "EmptyPieceAtAThenB", "Comment" + A + A + B + "7", std::string("7") },
        JudgeCase { "MarkerAtEnd", "Comment" + B, std::string() },
        JudgeCase { "EmptyCOverridesB", "Comment" + B + "2" + C, std::string() },
        JudgeCase { "CaseSensitiveMarker", "Comment <font color=\"BLUE\">4", std::string() },
        JudgeCase { "BinaryJunk", std::string("\0\xff\x01" "Comment\0", 11) + A + std::string("\0", 1),
            std::string("\0", 1) }),
    [](const testing::TestParamInfo<JudgeCase>& info) { return std::string(info.param.name); });

TEST(ProxyEntry, SplitsAtColonsAndReadsThePortAsANumber)
{
    struct Case {
        std::string text, ip;
        int number;
    };
    const Case cases[] = {
        { "1.2.3.4:8080", "1.2.3.4", 8080 },
        { "1.2.3.4:3128:extra", "1.2.3.4", 3128 },
        { "1.2.3.4: 80 ", "1.2.3.4", 80 },
        { "1.2.3.4:\t0080 ", "1.2.3.4", 80 },
        { "1.2.3.4:65535", "1.2.3.4", 65535 },
        { "", "", 0 },
        { "bare.host", "bare.host", 0 },
        { "1.2.3.4:", "1.2.3.4", 0 },
        { "1.2.3.4:0", "1.2.3.4", 0 },
        { "1.2.3.4:65536", "1.2.3.4", 0 },
        { "1.2.3.4:99999999999999999999", "1.2.3.4", 0 },
        { "1.2.3.4:80x", "1.2.3.4", 0 },
        { "1.2.3.4:-80", "1.2.3.4", 0 },
        { "1.2.3.4:+80", "1.2.3.4", 0 },
        { ":80", "", 0 },
    };
    for (const Case& c : cases) {
        const ProxyEntry entry = ProxyEntry::parse(c.text);
        EXPECT_EQ(entry.ip, c.ip) << c.text;
        EXPECT_EQ(entry.port, c.number) << c.text;
        EXPECT_EQ(entry.usable(), c.number > 0) << c.text;
    }
}

} // namespace
} // namespace qv
