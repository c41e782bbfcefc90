// The level rule as a table of header sets, the page's markers whatever the headers say, and the log's
// escaping of what a client sent.
#include <gtest/gtest.h>

#include "app/judge/JudgeLog.h"
#include "app/judge/JudgePage.h"
#include "app/judge/LevelRule.h"

namespace qv {
namespace {

TEST(LevelRule, HeaderSets)
{
    const std::string seen = "203.0.113.9";
    const std::tuple<std::vector<RequestHeader>, std::string, int, std::string> rows[] = { // headers, seen, level, deciding header
        { {}, seen, 1, "" },
        { { { "Host", "judge" }, { "User-Agent", "x" }, { "Cache-Control", "max-age=259200" } }, seen, 1, "" },
        { { { "Via", "1.1 10.9.9.9:3128" } }, seen, 2, "Via" },
        { { { "Proxy-Connection", "keep-alive" } }, seen, 2, "Proxy-Connection" },
        { { { "X-Forwarded-For", "127.0.0.1" } }, "127.0.0.2", 3, "X-Forwarded-For" },
        { { { "X-Forwarded-For", "unknown" } }, seen, 2, "X-Forwarded-For" },
        { { { "X-Forwarded-For", "203.0.113.9, 10.1.1.1" } }, seen, 3, "X-Forwarded-For" },
        { { { "X-Forwarded-For", "10.1.2.3 (client)" } }, seen, 3, "X-Forwarded-For" },
        { { { "X-Forwarded-For", "203.0.113.9 (client)" } }, seen, 2, "X-Forwarded-For" },
        { { { "X-Forwarded-For", "10.1.2.3.example.net" } }, seen, 2, "X-Forwarded-For" },
        { { { "x_real_ip", "10.0.0.1" } }, seen, 3, "x_real_ip" },
        { { { "X-Real-IP", "::ffff:203.0.113.9" } }, seen, 2, "X-Real-IP" },
        { { { "Forwarded", "for=\"[2001:db8::1]:4711\";proto=http" } }, seen, 3, "Forwarded" },
        { { { "Forwarded", "proto=http;by=10.0.0.1" } }, seen, 2, "Forwarded" },
        { { { "Forwarded", "for=_hidden, for=unknown" } }, seen, 2, "Forwarded" },
        { { { "Via", "1.1 10.0.0.5" }, { "X-Client-IP", "10.0.0.1" } }, seen, 3, "X-Client-IP" },
        { { { "X-Forwarded-For", "10.0.0.1" } }, "2001:db8::7", 3, "X-Forwarded-For" },
    };
    for (const auto& [headers, from, level, header] : rows) {
        const LevelVerdict verdict = judgeLevel(headers, from);
        EXPECT_EQ(std::pair(verdict.level, verdict.header), std::pair(level, header))
            << (headers.empty() ? "" : headers.back().name + ": " + headers.back().value) << ", seen "
            << from;
    }
}

// A header cannot plant a marker of its own: the checker reads the first level marker and the pass
// marker, and the 404 page carries neither.
TEST(JudgePage, OneLevelMarkerWhateverTheHeadersSay)
{
    const JudgeRequest request { "GET", "/?a=b", "HTTP/1.0", "127.0.0.1",
        { { "X-Note", "<font color:blue\">9 color=\"blue\"> color=\"yellow\"><B>8 REMOTE_ADDR = 10.0.0.1" } } };
    const std::string page = JudgePage::render(request, judgeLevel(request.headers, request.clientAddress));
    EXPECT_NE(page.find("Comment"), std::string::npos);
    const std::size_t marker = page.find("color:blue\">");
    ASSERT_NE(marker, std::string::npos);
    EXPECT_EQ(page.substr(marker + 12, 1), "1");
    EXPECT_EQ(page.find("color:blue\">", marker + 1), std::string::npos);
    EXPECT_EQ(page.find("color=\""), std::string::npos);
    EXPECT_EQ(JudgePage::notFound().find("Comment"), std::string::npos);
    // The address the judge saw comes on a line of its own before anything the request brought.
    EXPECT_LT(page.find("\nREMOTE_ADDR = 127.0.0.1\n"), page.find("REMOTE_ADDR = 10.0.0.1"));
    EXPECT_NE(page.find("GET /?a=b HTTP/1.0\n"), std::string::npos);
}

// No client text can end a log line, close its quoted field early or turn the text around.
TEST(JudgeLog, EscapesWhatCouldForgeALineOrAField)
{
    const std::pair<std::string, std::string> rows[] = { // client text, as quoted in the log
        { "/x\r\n2026-01-01T00:00:00.000Z 10.0.0.1 GET \"/\" -> 1 elite", R"("/x\x0d\x0a2026-01-01T00:00:00.000Z 10.0.0.1 GET \x22/\x22 -> 1 elite")" },
        { "\\\"", R"("\x5c\x22")" },
        { std::string("\0\t\x1b[2J\x7f", 7), R"("\x00\x09\x1b[2J\x7f")" },
        { std::string(250, 'a'), '"' + std::string(JudgeLog::kExcerpt, 'a') + "\"..." },
    };
    for (const auto& [text, logged] : rows)
        EXPECT_EQ(JudgeLog::quoted(text), logged);
    using namespace std::chrono;
    EXPECT_EQ(JudgeLog::line(system_clock::time_point(milliseconds(1796649601007)), "10.0.0.1", "GET\n", std::nullopt, "414"),
        "2026-12-07T13:20:01.007Z 10.0.0.1 GET\\x0a - -> 414\n");
}

} // namespace
} // namespace qv
