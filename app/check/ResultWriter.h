#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "app/check/CheckOptions.h"
#include "engine/ScanEngine.h"

namespace qv {

// Writes quorvane-check's results as they come, one line per check:
//   tsv   ip:port<TAB>level, as before; with --all also <TAB>ok<TAB>reason<TAB>leak
//   csv   a header line, then ip,port,level,ms (and ok,reason with --all),leak
//   json  one object per line: ip, port, level, ms (and ok, reason with --all), leak
// leak is true or false, empty (null in JSON) when the own address is not known.
// Failed checks are written only with --all. An unusable entry is written whole as its ip, with
// no port (null in JSON). tsv and csv show control characters as \xNN; JSON escapes them its way.
class ResultWriter final {
public:
    ResultWriter(std::ostream& out, CheckOptions::Format format, bool all);

    // Whether a find's judge page showed this machine's own address.
    enum class Leak { Unknown, No, Yes };

    void writeHeader();
    void write(const ScanEngine::CheckEnd& end, Leak leak = Leak::Unknown);

    // One CSV field: control characters shown as by appendShown, then quoted, with its quotes
    // doubled, when it holds a comma or a quote.
    static std::string csvField(std::string_view text);
    // Appends text with each control character (below 0x20 but tab, and 0x7f) as \xNN, so no list
    // can drive the reader's terminal, and each tab as `tab`.
    static void appendShown(std::string& line, std::string_view text, char tab);

private:
    std::ostream& m_out;
    CheckOptions::Format m_format;
    bool m_all;
    std::string m_line;
};

} // namespace qv
