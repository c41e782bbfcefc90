#include "engine/JudgeProtocol.h"

namespace qv {

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
    const std::size_t at = answer.find(marker);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = answer.substr(at + marker.size());
    // The piece up to the next occurrence is empty exactly when the marker follows at once.
    if (rest.empty() || rest.starts_with(marker))
        return std::string();
    return std::string(1, rest.front());
}

std::optional<std::string> JudgeProtocol::judge(std::string_view answer)
{
    if (answer.find(kPassMarker) == std::string_view::npos)
        return std::nullopt;
    std::string level = levelAt(answer, kMarkerA).value_or(std::string());
    if (level.empty()) {
        if (auto b = levelAt(answer, kMarkerB))
            level = *b;
        if (auto c = levelAt(answer, kMarkerC))
            level = *c;
    }
    return level;
}

} // namespace qv
