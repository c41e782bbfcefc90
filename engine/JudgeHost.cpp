#include "engine/JudgeHost.h"

#include <algorithm>
#include <array>

namespace qv::JudgeHost {

namespace {
bool isSchemeChar(char c, bool first)
{
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return letter || (!first && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
}

bool endsWithLabel(std::string_view host, std::string_view domain)
{
    return host == domain || (host.size() > domain.size() && host.ends_with(domain) && host[host.size() - domain.size() - 1] == '.');
}
} // namespace

std::string host(std::string_view url)
{
    const std::size_t colon = url.find("://");
    if (colon == 0 || colon == std::string_view::npos)
        return {};
    for (std::size_t i = 0; i < colon; ++i) {
        if (!isSchemeChar(url[i], i == 0))
            return {};
    }
    std::string_view authority = url.substr(colon + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority = authority.substr(at + 1);
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        return close == std::string_view::npos ? std::string() : std::string(authority.substr(1, close - 1));
    }
    return std::string(authority.substr(0, authority.find(':')));
}

bool isPlaceholder(std::string_view url)
{
    std::string name = host(url);
    std::transform(name.begin(), name.end(), name.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (name.ends_with('.'))
        name.pop_back();
    constexpr std::array<std::string_view, 4> kReserved { "example.com", "example.org", "example.net", "invalid" };
    return std::ranges::any_of(kReserved, [&](std::string_view domain) { return endsWithLabel(name, domain); });
}

} // namespace qv::JudgeHost
