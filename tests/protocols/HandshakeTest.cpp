#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "protocols/HttpConnect.h"
#include "protocols/Socks4Connect.h"
#include "protocols/Socks5Connect.h"

namespace qv {
namespace {

using State = Handshake::State;
using Factory = std::function<std::unique_ptr<Handshake>()>;

struct Row {
    const char* name;
    Factory make;
    std::vector<std::string> replies; // one per message the proxy sends, each after our last send
    State state;
    std::string reason;
    std::string sent; // everything we send, in order
    std::string tunnel = {};
};

const auto bytes = [](std::initializer_list<int> v) { return std::string(v.begin(), v.end()); };

Factory connect(std::string host, std::uint16_t port, std::optional<Credentials> credentials = std::nullopt)
{
    return [=] { return std::make_unique<HttpConnect>(Destination { host, port }, credentials); };
}
Factory socks4(std::string host, std::uint16_t port, std::string user = {})
{
    return [=] { return std::make_unique<Socks4Connect>(Destination { host, port }, user); };
}
Factory socks5(std::string host, std::uint16_t port, std::optional<Credentials> credentials = std::nullopt)
{
    return [=] { return std::make_unique<Socks5Connect>(Destination { host, port }, credentials); };
}

const Credentials kUser { "user", "pass" };
const std::string kConnect = "CONNECT judge.test:443 HTTP/1.1\r\nHost: judge.test:443\r\n";
const std::string kAuthLine = "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n";
const std::string kHeaderFill = "HTTP/1.1 200 OK\r\nX: " + std::string(HttpConnect::kHeaderCap - 24, 'a') + "\r\n";
const std::string kSocks4To1234 = bytes({ 4, 1, 0, 80, 1, 2, 3, 4, 0 });
const std::string kGranted4 = bytes({ 0, 90, 0, 0, 0, 0, 0, 0 });
const std::string kGreeting = bytes({ 5, 1, 0 });
const std::string kGreetingAuth = bytes({ 5, 2, 0, 2 });
const std::string kRequestTo1234 = bytes({ 5, 1, 0, 1, 1, 2, 3, 4, 0, 80 });
const std::string kGranted5 = bytes({ 5, 0, 0, 1, 10, 0, 0, 1, 4, 56 });
const std::string kPasswordAuth = bytes({ 1, 4 }) + "user" + bytes({ 4 }) + "pass";

const Row kRows[] = {
    // CONNECT
    { "connect_200_headers_then_tunnel_bytes", connect("judge.test", 443), { "HTTP/1.0 200 OK\r\nProxy-Agent: p\r\n\r\n\x16\x03" },
        State::Open, "", kConnect + "\r\n", "\x16\x03" },
    { "connect_bare_lf", connect("judge.test", 443), { "HTTP/1.1 204 x\n\n" }, State::Open, "", kConnect + "\r\n" },
    { "connect_ipv6", connect("::1", 8443), { "HTTP/1.1 200 OK\r\n\r\n" }, State::Open, "",
        "CONNECT [::1]:8443 HTTP/1.1\r\nHost: [::1]:8443\r\n\r\n" },
    { "connect_header_block_at_cap", connect("judge.test", 443), { kHeaderFill + "\r\n" }, State::Open, "", kConnect + "\r\n" },
    { "connect_header_block_over_cap", connect("judge.test", 443), { kHeaderFill + "b\r\n\r\n" }, State::Failed, "bad reply", kConnect + "\r\n" },
    { "connect_endless_header", connect("judge.test", 443), { "HTTP/1.1 200 OK\r\n" + std::string(20000, 'h') }, State::Failed, "bad reply", kConnect + "\r\n" },
    { "connect_407_without_credentials", connect("judge.test", 443), { "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n" },
        State::Failed, "auth required", kConnect + "\r\n" },
    { "connect_407_with_credentials", connect("judge.test", 443, kUser), { "HTTP/1.1 407 no\r\n\r\n" }, State::Failed, "auth refused",
        kConnect + kAuthLine + "\r\n" },
    { "connect_401_with_credentials", connect("judge.test", 443, kUser), { "HTTP/1.0 401 Unauthorized\r\n\r\n" }, State::Failed, "auth refused",
        kConnect + kAuthLine + "\r\n" },
    { "connect_401_without_credentials", connect("judge.test", 443), { "HTTP/1.0 401 Unauthorized\r\n\r\n" }, State::Failed, "connect refused",
        kConnect + "\r\n" },
    { "connect_403", connect("judge.test", 443), { "HTTP/1.1 403 Forbidden\r\nContent-Length: 3\r\n\r\nno!" }, State::Failed, "connect refused", kConnect + "\r\n" },
    { "connect_status_not_a_number", connect("judge.test", 443), { "HTTP/1.1 2xx OK\r\n\r\n" }, State::Failed, "bad reply", kConnect + "\r\n" },
    { "connect_answered_by_socks", connect("judge.test", 443), { bytes({ 5, 0 }) }, State::Failed, "bad reply", kConnect + "\r\n" },
    { "connect_answered_by_ssh", connect("judge.test", 443), { "SSH-2.0-x\r\n" }, State::Failed, "bad reply", kConnect + "\r\n" },
    { "connect_incomplete", connect("judge.test", 443), { "HTTP/1.1 200 OK\r\n" }, State::Working, "", kConnect + "\r\n" },

    // SOCKS4 and 4a
    { "socks4_granted_then_tunnel_bytes", socks4("1.2.3.4", 80), { kGranted4 + "HTTP/1.0" }, State::Open, "", kSocks4To1234, "HTTP/1.0" },
    { "socks4_user_id", socks4("1.2.3.4", 80, "bob"), { kGranted4 }, State::Open, "", bytes({ 4, 1, 0, 80, 1, 2, 3, 4 }) + "bob" + bytes({ 0 }) },
    { "socks4a_name", socks4("judge.test", 8080), { kGranted4 }, State::Open, "",
        bytes({ 4, 1, 0x1f, 0x90, 0, 0, 0, 1, 0 }) + "judge.test" + bytes({ 0 }) },
    { "socks4_rejected", socks4("1.2.3.4", 80), { bytes({ 0, 91, 0, 0, 0, 0, 0, 0 }) }, State::Failed, "socks refused", kSocks4To1234 },
    { "socks4_identd", socks4("1.2.3.4", 80), { bytes({ 0, 92 }) }, State::Failed, "socks refused", kSocks4To1234 },
    { "socks4_reply_version_4", socks4("1.2.3.4", 80), { bytes({ 4, 90, 0, 0, 0, 0, 0, 0 }) }, State::Failed, "bad reply", kSocks4To1234 },
    { "socks4_answered_by_http", socks4("1.2.3.4", 80), { "HTTP/1.1 400 Bad Request\r\n\r\n" }, State::Failed, "bad reply", kSocks4To1234 },
    { "socks4_short_reply", socks4("1.2.3.4", 80), { bytes({ 0, 90, 0, 0 }) }, State::Working, "", kSocks4To1234 },
    { "socks4_ipv6", socks4("::1", 80), {}, State::Failed, "socks error", "" },

    // SOCKS5 and 5h
    { "socks5_granted_then_tunnel_bytes", socks5("1.2.3.4", 80), { bytes({ 5, 0 }), kGranted5 + "xyz" }, State::Open, "",
        kGreeting + kRequestTo1234, "xyz" },
    { "socks5h_name", socks5("judge.test", 80), { bytes({ 5, 0 }), bytes({ 5, 0, 0, 3, 3 }) + "abc" + bytes({ 0, 80 }) }, State::Open, "",
        kGreeting + bytes({ 5, 1, 0, 3, 10 }) + "judge.test" + bytes({ 0, 80 }) },
    { "socks5_ipv6", socks5("::1", 80), { bytes({ 5, 0 }), bytes({ 5, 0, 0, 4 }) + std::string(16, '\0') + bytes({ 0, 80 }) }, State::Open, "",
        kGreeting + bytes({ 5, 1, 0, 4 }) + std::string(15, '\0') + bytes({ 1, 0, 80 }) },
    { "socks5_password", socks5("1.2.3.4", 80, kUser), { bytes({ 5, 2 }), bytes({ 1, 0 }), kGranted5 }, State::Open, "",
        kGreetingAuth + kPasswordAuth + kRequestTo1234 },
    { "socks5_credentials_not_asked_for", socks5("1.2.3.4", 80, kUser), { bytes({ 5, 0 }), kGranted5 }, State::Open, "",
        kGreetingAuth + kRequestTo1234 },
    { "socks5_wrong_password", socks5("1.2.3.4", 80, kUser), { bytes({ 5, 2 }), bytes({ 1, 1 }) }, State::Failed, "auth refused",
        kGreetingAuth + kPasswordAuth },
    { "socks5_password_reply_version_5", socks5("1.2.3.4", 80, kUser), { bytes({ 5, 2 }), bytes({ 5, 0 }) }, State::Failed, "bad reply",
        kGreetingAuth + kPasswordAuth },
    { "socks5_no_method_without_credentials", socks5("1.2.3.4", 80), { bytes({ 5, 0xff }) }, State::Failed, "auth required", kGreeting },
    { "socks5_no_method_with_credentials", socks5("1.2.3.4", 80, kUser), { bytes({ 5, 0xff }) }, State::Failed, "auth refused", kGreetingAuth },
    { "socks5_method_not_offered", socks5("1.2.3.4", 80), { bytes({ 5, 2 }) }, State::Failed, "bad reply", kGreeting },
    { "socks5_not_allowed", socks5("1.2.3.4", 80), { bytes({ 5, 0 }), bytes({ 5, 2, 0, 1, 0, 0, 0, 0, 0, 0 }) }, State::Failed,
        "socks refused", kGreeting + kRequestTo1234 },
    { "socks5_connection_refused", socks5("1.2.3.4", 80), { bytes({ 5, 0 }), bytes({ 5, 5 }) }, State::Failed, "socks refused", kGreeting + kRequestTo1234 },
    { "socks5_general_failure", socks5("1.2.3.4", 80), { bytes({ 5, 0 }), bytes({ 5, 1 }) }, State::Failed, "socks error", kGreeting + kRequestTo1234 },
    { "socks5_command_not_supported", socks5("1.2.3.4", 80), { bytes({ 5, 0 }), bytes({ 5, 7 }) }, State::Failed, "socks error", kGreeting + kRequestTo1234 },
    { "socks5_unknown_address_type", socks5("1.2.3.4", 80), { bytes({ 5, 0 }), bytes({ 5, 0, 0, 9, 1, 2, 3 }) }, State::Failed, "bad reply",
        kGreeting + kRequestTo1234 },
    { "socks5_reply_version_4", socks5("1.2.3.4", 80), { bytes({ 5, 0 }), bytes({ 4, 0, 0, 1 }) }, State::Failed, "bad reply", kGreeting + kRequestTo1234 },
    { "socks5_greeting_answered_by_socks4", socks5("1.2.3.4", 80), { bytes({ 0, 91 }) }, State::Failed, "bad reply", kGreeting },
    { "socks5_answered_by_http", socks5("1.2.3.4", 80), { "HTTP/1.1 400 Bad Request\r\n\r\n" }, State::Failed, "bad reply", kGreeting },
    { "socks5_short_reply", socks5("1.2.3.4", 80), { bytes({ 5, 0 }), bytes({ 5, 0, 0, 1, 1, 2, 3, 4, 0 }) }, State::Working, "",
        kGreeting + kRequestTo1234 },
    { "socks5_long_password", socks5("1.2.3.4", 80, Credentials { "u", std::string(256, 'p') }), {}, State::Failed, "socks error", "" },
};

class HandshakeReplies : public testing::TestWithParam<Row> {};

// One unit for every split, restarted in between as a socket reuses it check after check.
TEST_P(HandshakeReplies, SameOutcomeHoweverTheRepliesAreSplit)
{
    const Row& row = GetParam();
    const std::unique_ptr<Handshake> unit = row.make();
    for (const std::size_t piece : { 0, 1, 2, 3, 7 }) {
        unit->restart();
        // Each message in pieces of the given size (0: whole), sending what the unit answers.
        std::string sent = unit->start();
        for (const std::string& reply : row.replies) {
            for (std::size_t at = 0; at < reply.size(); at += piece ? piece : reply.size())
                sent += unit->feed(std::string_view(reply).substr(at, piece ? piece : reply.size()));
        }
        EXPECT_EQ(unit->state(), row.state) << "pieces of " << piece;
        EXPECT_EQ(unit->reason(), row.reason) << "pieces of " << piece;
        EXPECT_EQ(sent, row.sent) << "pieces of " << piece;
        EXPECT_EQ(unit->takeTunnelBytes(), row.tunnel) << "pieces of " << piece;
        // A failed unit takes nothing more; an open one hands everything up.
        if (row.state != State::Working) {
            EXPECT_EQ(unit->feed("more"), "");
            EXPECT_EQ(unit->takeTunnelBytes(), row.state == State::Open ? "more" : "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, HandshakeReplies, testing::ValuesIn(kRows), [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace qv
