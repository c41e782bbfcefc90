#pragma once

#include <string_view>

namespace qv {

// Why a conversation failed, in the words a user and a script read in the results.
namespace reason {
inline constexpr std::string_view kAuthRequired = "auth required"; // 407 or no method, no credentials given
inline constexpr std::string_view kAuthRefused = "auth refused"; // credentials given and not taken
inline constexpr std::string_view kConnectRefused = "connect refused"; // CONNECT answered with another status
inline constexpr std::string_view kSocksRefused = "socks refused"; // the proxy would not reach the destination
inline constexpr std::string_view kSocksError = "socks error"; // the proxy failed or cannot do the request
inline constexpr std::string_view kBadReply = "bad reply"; // not the protocol asked for, or too long
inline constexpr std::string_view kCertificate = "certificate"; // the judge's certificate failed verification
inline constexpr std::string_view kTlsError = "tls error"; // any other TLS failure
inline constexpr std::string_view kNoHttpsJudge = "no https judge"; // an https check without an https:// judge
inline constexpr std::string_view kNoJudge = "no judge"; // a tunnel check without an http:// or https:// judge
} // namespace reason

} // namespace qv
