#pragma once

#include <string>
#include <string_view>

namespace qv::JudgeHost {

// The host of "scheme://[user@]host[:port][/...]", without brackets around an IPv6 address;
// empty when the text has no scheme or no host.
std::string host(std::string_view url);

// A judge the program ships as an example: its host is example.com, example.org, example.net or
// a name under one of them or under .invalid, names reserved so that they never reach a real
// server. Checking through such a judge fails every proxy.
bool isPlaceholder(std::string_view url);

} // namespace qv::JudgeHost
