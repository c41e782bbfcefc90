#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "app/check/CheckOptions.h"
#include "engine/ScanEngine.h"

namespace qv {

// Writes quorvane-check's results as they come, one line per check:
//   tsv   ip:port<TAB>level, as before; with --all also <TAB>ok<TAB>reason
//   csv   a header line, then ip,port,level,ms (and ok,reason with --all)
//   json  one object per line: ip, port, level, ms (and ok, reason with --all)
// Failed checks are written only with --all. An unusable entry is written whole as its ip, with
// no port (null in JSON).
class ResultWriter final {
public:
    ResultWriter(std::ostream& out, CheckOptions::Format format, bool all);

    void writeHeader();
    void write(const ScanEngine::CheckEnd& end);

    // One CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a line end.
    static std::string csvField(std::string_view text);

private:
    std::ostream& m_out;
    CheckOptions::Format m_format;
    bool m_all;
    std::string m_line;
};

} // namespace qv
