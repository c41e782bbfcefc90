#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The judge request sent through a proxy and the reading of its answer.
class JudgeProtocol final {
public:
    // "GET " + url + " HTTP/1.0" and three CR LF pairs: 19 + url length bytes, no header lines.
    static std::string request(std::string_view judgeUrl);

    // The level of a passing answer (it contains "Comment"), empty when no marker gives one;
    // nullopt when the answer does not pass. One pass for the pass marker, one for the level markers.
    static std::optional<std::string> judge(std::string_view answer);

    // The level read at one marker: the first character between its first and its next
    // occurrence (empty when that piece is empty or the character is a control byte); nullopt
    // when the marker does not occur.
    static std::optional<std::string> levelAt(std::string_view answer, std::string_view marker);

    static constexpr std::string_view kPassMarker = "Comment";
    static constexpr std::string_view kMarkerA = "color:blue\">";
    static constexpr std::string_view kMarkerB = "color=\"blue\">";
    static constexpr std::string_view kMarkerC = "color=\"yellow\"><B>";
};

} // namespace qv
