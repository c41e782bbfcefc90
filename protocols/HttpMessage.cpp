#include "protocols/HttpMessage.h"

#include <algorithm>

#include "protocols/FailureReason.h"
#include "protocols/JudgeUrl.h"

namespace qv {

std::string base64(std::string_view bytes)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (n > 1)
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (n > 2)
            value |= static_cast<unsigned char>(bytes[i + 2]);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(value >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

std::string HttpMessage::authorizationLine(const Credentials& credentials)
{
    return "Proxy-Authorization: Basic " + base64(credentials.user + ":" + credentials.password) + "\r\n";
}

std::string HttpMessage::proxyRequest(std::string_view url, const std::optional<Credentials>& credentials)
{
    std::string request = "GET ";
    request.append(url);
    request += " HTTP/1.0\r\n";
    if (credentials)
        request += authorizationLine(*credentials);
    request += "\r\n\r\n";
    return request;
}

std::string HttpMessage::originRequest(const JudgeUrl& url)
{
    return "GET " + url.target + " HTTP/1.0\r\nHost: " + url.hostHeader() + "\r\n\r\n";
}

std::optional<int> HttpMessage::statusCode(std::string_view head)
{
    auto digit = [&](std::size_t i) { return i < head.size() && head[i] >= '0' && head[i] <= '9'; };
    // "HTTP/" digit "." digit SP three digits
    if (head.size() < 12 || !head.starts_with("HTTP/") || !digit(5) || head[6] != '.' || !digit(7) || head[8] != ' ')
        return std::nullopt;
    if (!digit(9) || !digit(10) || !digit(11))
        return std::nullopt;
    return (head[9] - '0') * 100 + (head[10] - '0') * 10 + (head[11] - '0');
}

std::optional<std::string_view> HttpMessage::authFailure(int status, bool sentCredentials)
{
    // Some proxies (tinyproxy 1.11) answer wrong proxy credentials with 401 rather than 407.
    if (status == 407 || (status == 401 && sentCredentials))
        return sentCredentials ? reason::kAuthRefused : reason::kAuthRequired;
    return std::nullopt;
}

std::optional<std::string_view> HttpMessage::authFailure(std::string_view answer, bool sentCredentials)
{
    const std::optional<int> status = statusCode(answer);
    return status ? authFailure(*status, sentCredentials) : std::nullopt;
}

} // namespace qv
