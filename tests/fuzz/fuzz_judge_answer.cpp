// The judge-answer classifier: an answer passes exactly when it holds "Comment"; the level is at
// most one printable character, the one right after a colour marker's first occurrence, with the markers'
// order of precedence; the request is the fixed line around the URL.
#include <optional>

#include "engine/JudgeProtocol.h"
#include "FuzzCheck.h"

namespace {
// The character after the marker's first occurrence, "" when the marker follows at once, ends
// the answer or is followed by a control byte, nullopt when it does not occur.
std::optional<std::string> after(std::string_view answer, std::string_view marker)
{
    const std::size_t at = answer.find(marker);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = answer.substr(at + marker.size());
    const auto first = rest.empty() ? 0 : static_cast<unsigned char>(rest[0]);
    const bool control = first < 0x20 || first == 0x7f || (first >= 0x80 && first < 0xa0);
    return rest.empty() || rest.starts_with(marker) || control ? std::string() : std::string(1, rest[0]);
}
} // namespace

QV_FUZZ_TARGET
{
    const std::string_view answer = input;
    const auto level = JudgeProtocol::judge(answer);
    QV_FUZZ_CHECK(level.has_value() == (answer.find("Comment") != std::string_view::npos));
    for (const std::string_view marker : { JudgeProtocol::kMarkerA, JudgeProtocol::kMarkerB, JudgeProtocol::kMarkerC })
        QV_FUZZ_CHECK(JudgeProtocol::levelAt(answer, marker) == after(answer, marker));
    if (level) {
        // Marker A decides when it gives a level; else the yellow marker when it occurs, else B.
        const auto a = after(answer, JudgeProtocol::kMarkerA);
        const auto b = after(answer, JudgeProtocol::kMarkerB);
        const auto c = after(answer, JudgeProtocol::kMarkerC);
        const std::string expected = a && !a->empty() ? *a : c ? *c : b.value_or(std::string());
        QV_FUZZ_CHECK(*level == expected && level->size() <= 1);
    }
    const std::string request = JudgeProtocol::request(answer);
    QV_FUZZ_CHECK(request.size() == answer.size() + 19 && request.starts_with("GET ")
        && request.substr(4, answer.size()) == answer && request.ends_with(" HTTP/1.0\r\n\r\n\r\n"));
}
