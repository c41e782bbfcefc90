#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocols/Credentials.h"

namespace qv {

class JudgeUrl;

// The HTTP bytes a check sends and what it reads of an answer's head.
class HttpMessage final {
public:
    // "GET <url> HTTP/1.0" and three CR LF pairs, with a Proxy-Authorization line after the
    // request line when there are credentials: the request a proxy fetches the judge for.
    static std::string proxyRequest(std::string_view url, const std::optional<Credentials>& credentials);
    // "GET /path HTTP/1.0" with a Host line: the request sent to the judge through a tunnel.
    static std::string originRequest(const JudgeUrl& url);
    // "Proxy-Authorization: Basic <base64 of user:password>" and CR LF.
    static std::string authorizationLine(const Credentials& credentials);

    // The status code of "HTTP/x.y NNN ...", nullopt when the text does not start so. Needs only
    // the status line's first 12 bytes.
    static std::optional<int> statusCode(std::string_view head);
    // An answer that is a 407, or a 401 to a request with credentials: "auth refused" when
    // credentials were sent, else "auth required".
    static std::optional<std::string_view> authFailure(std::string_view answer, bool sentCredentials);
    static std::optional<std::string_view> authFailure(int status, bool sentCredentials);
};

std::string base64(std::string_view bytes);

} // namespace qv
