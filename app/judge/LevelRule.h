#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct RequestHeader
{
    std::string name;
    std::string value;
};

// What a request shows about the way it came: 1 elite (no sign of a proxy), 2 anonymous (a proxy
// shows itself but no other address), 3 transparent (a header carries an address other than the
// one the judge sees).
struct LevelVerdict
{
    int level = 1;
    std::string header; // the header that decided, as sent; empty for level 1
    std::string address; // level 3: the address that header carried, as written there
};

LevelVerdict judgeLevel(const std::vector<RequestHeader>& headers, std::string_view seenAddress);

} // namespace qv
