#include "app/judge/JudgePage.h"

namespace qv {
namespace {

void appendEscaped(std::string& out, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += static_cast<unsigned char>(c) < 0x20 && c != '\t' ? '?' : c;
        }
    }
}

constexpr std::string_view kRule
    = "<h2>How the level is judged</h2>\n<ul>\n"
      "<li>3, transparent: a header carries a client address other than the one this judge sees "
      "(X-Forwarded-For, X-Real-IP, Client-IP, X-Client-IP, True-Client-IP, Forwarded with for=, "
      "and the like).</li>\n"
      "<li>2, anonymous: a header shows that a proxy passed the request on without showing another "
      "address (Via, whatever it names, Proxy-Connection, Forwarded without for=, X-Proxy-ID, "
      "X-BlueCoat-Via, an X-Forwarded-For of &quot;unknown&quot;, and the like). Cache-Control alone does "
      "not count: "
      "clients send it too.</li>\n"
      "<li>1, elite: no such header.</li>\n</ul>\n";

} // namespace

std::string JudgePage::levelName(int level)
{
    return level == 3 ? "transparent" : level == 2 ? "anonymous" : "elite";
}

std::string JudgePage::render(const JudgeRequest& request, const LevelVerdict& verdict)
{
    std::string out;
    out.reserve(2048 + request.headers.size() * 64);
    out += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Quorvane judge</title></head><body>\n"
           "<h1>Quorvane judge</h1>\n<p>Comment: this request came from <b>";
    appendEscaped(out, request.clientAddress);
    out += "</b>.</p>\n<p>Anonymity level: <b style=\"color:blue\">";
    out += static_cast<char>('0' + verdict.level);
    out += "</b> " + levelName(verdict.level) + " (";
    if (verdict.level == 3) {
        appendEscaped(out, verdict.header);
        out += " carries ";
        appendEscaped(out, verdict.address);
    } else if (verdict.level == 2) {
        appendEscaped(out, verdict.header);
        out += " shows a proxy";
    } else {
        out += "no header shows a proxy";
    }
    // A line of its own, before anything the request brought, so a checker reading the first
    // "REMOTE_ADDR = " learns the address the judge saw.
    out += ")</p>\n<pre>\nREMOTE_ADDR = ";
    appendEscaped(out, request.clientAddress);
    out += "\n</pre>\n<h2>The request as received</h2>\n<pre>";
    appendEscaped(out, request.method);
    out += ' ';
    appendEscaped(out, request.target);
    out += ' ';
    appendEscaped(out, request.version);
    out += '\n';
    for (const RequestHeader& header : request.headers) {
        appendEscaped(out, header.name);
        out += ": ";
        appendEscaped(out, header.value);
        out += '\n';
    }
    out += "</pre>\n";
    out += kRule;
    out += "</body></html>\n";
    return out;
}

std::string JudgePage::notFound()
{
    return "<!DOCTYPE html>\n<html><head><title>Not found</title></head><body>\n<h1>Not found</h1>\n"
           "<p>This judge answers on one path only.</p>\n</body></html>\n";
}

} // namespace qv
