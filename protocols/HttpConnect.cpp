#include "protocols/HttpConnect.h"

#include <algorithm>

#include "protocols/FailureReason.h"
#include "protocols/HttpMessage.h"

namespace qv {

HttpConnect::HttpConnect(Destination destination, std::optional<Credentials> credentials)
    : m_destination(std::move(destination))
    , m_credentials(std::move(credentials))
{
}

void HttpConnect::restart()
{
    Handshake::restart();
    m_lineStart = 0;
}

std::string HttpConnect::start()
{
    const std::string authority = m_destination.authority();
    std::string request = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (m_credentials)
        request += HttpMessage::authorizationLine(*m_credentials);
    return request + "\r\n";
}

std::string HttpConnect::step()
{
    // Anything that does not begin like an HTTP status line is another protocol: fail now rather
    // than wait for a blank line that may never come.
    constexpr std::string_view kPrefix = "HTTP/";
    const std::size_t known = std::min(m_in.size(), kPrefix.size());
    if (m_in.compare(0, known, kPrefix, 0, known) != 0)
        return fail(reason::kBadReply);

    // The header block ends at an empty line; bare LF line ends are taken too. Lines already
    // looked at are not looked at again, so a reply dribbled a byte at a time costs no more.
    std::size_t end = std::string::npos;
    for (std::size_t at = m_in.find('\n', m_lineStart); at != std::string::npos; at = m_in.find('\n', m_lineStart)) {
        const std::size_t length = at - m_lineStart;
        const bool empty = length == 0 || (length == 1 && m_in[m_lineStart] == '\r');
        const bool first = m_lineStart == 0;
        m_lineStart = at + 1;
        if (empty && !first) {
            end = at + 1;
            break;
        }
    }
    if (end == std::string::npos ? m_in.size() > kHeaderCap : end > kHeaderCap)
        return fail(reason::kBadReply);
    if (end == std::string::npos)
        return {};

    const std::optional<int> status = HttpMessage::statusCode(m_in);
    if (!status)
        return fail(reason::kBadReply);
    if (*status >= 200 && *status < 300)
        open(end);
    else
        fail(HttpMessage::authFailure(*status, m_credentials.has_value()).value_or(reason::kConnectRefused));
    return {};
}

} // namespace qv
