#pragma once

#include <string>
#include <vector>

#include "app/judge/LevelRule.h"

namespace qv {

// One request as the judge received it.
struct JudgeRequest
{
    std::string method;
    std::string target; // as it came, query string included
    std::string version;
    std::string clientAddress; // the address the connection came from
    std::vector<RequestHeader> headers;
};

// The pages the judge answers with. The judge page carries the pass marker "Comment" and the level
// right after the first level marker the checker reads (color:blue">); everything the request
// brought is escaped, so no header can plant a marker of its own.
class JudgePage final
{
public:
    static std::string render(const JudgeRequest& request, const LevelVerdict& verdict);
    static std::string notFound();
    static std::string levelName(int level);
};

} // namespace qv
