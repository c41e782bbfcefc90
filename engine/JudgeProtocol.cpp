#include "engine/JudgeProtocol.h"

#include "util/Text.h"

namespace qv {

namespace {
// What the three level markers begin with: one pass over its occurrences finds the first of each.
constexpr std::string_view kMarkerStart = "color";
static_assert(JudgeProtocol::kMarkerA.starts_with(kMarkerStart) && JudgeProtocol::kMarkerB.starts_with(kMarkerStart)
    && JudgeProtocol::kMarkerC.starts_with(kMarkerStart));

// The level read at the marker's first occurrence, at (npos when it does not occur).
std::optional<std::string> levelFrom(std::string_view answer, std::string_view marker, std::size_t at)
{
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = answer.substr(at + marker.size());
    // The piece up to the next occurrence is empty exactly when the marker follows at once. A byte
    // that is no printable character is no level: it would break the line a result is written on.
    if (rest.empty() || rest.starts_with(marker) || !isPrintableLatin1(rest.front()))
        return std::string();
    return std::string(1, rest.front());
}
} // namespace

std::string JudgeProtocol::request(std::string_view judgeUrl)
{
    std::string bytes;
    bytes.reserve(judgeUrl.size() + 19);
    bytes += "GET ";
    bytes += judgeUrl;
    bytes += " HTTP/1.0\r\n\r\n\r\n";
    return bytes;
}

std::optional<std::string> JudgeProtocol::levelAt(std::string_view answer, std::string_view marker)
{
    return levelFrom(answer, marker, answer.find(marker));
}

std::optional<std::string> JudgeProtocol::judge(std::string_view answer)
{
    if (answer.find(kPassMarker) == std::string_view::npos)
        return std::nullopt;
    constexpr std::string_view kMarkers[] = { kMarkerA, kMarkerB, kMarkerC };
    std::size_t first[] = { std::string_view::npos, std::string_view::npos, std::string_view::npos };
    int missing = 3;
    for (std::size_t at = answer.find(kMarkerStart); at != std::string_view::npos && missing > 0;
         at = answer.find(kMarkerStart, at + 1)) {
        for (std::size_t k = 0; k < 3; ++k) {
            if (first[k] == std::string_view::npos && answer.substr(at).starts_with(kMarkers[k])) {
                first[k] = at;
                --missing;
            }
        }
    }
    std::string level = levelFrom(answer, kMarkerA, first[0]).value_or(std::string());
    if (level.empty()) {
        if (auto b = levelFrom(answer, kMarkerB, first[1]))
            level = *b;
        if (auto c = levelFrom(answer, kMarkerC, first[2]))
            level = *c;
    }
    return level;
}

} // namespace qv
