// The helpers every program shares: letter case, printable text and numeric addresses.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "util/IpAddress.h"
#include "util/Text.h"

namespace qv {
namespace {

TEST(Text, CaseAndPrintable)
{
    EXPECT_TRUE(startsWithNoCase("HTTP://x", "http://") && equalsNoCase("X-Forwarded-For", "x-forwarded-FOR"));
    EXPECT_FALSE(startsWithNoCase("htt", "http") || equalsNoCase("\xc9", "\xe9")) << "ASCII letters only";
    EXPECT_EQ(printableText("a\r\nb\tc\x7f\xc3\xa9", 80), "a??b?c?\xc3\xa9");
    EXPECT_EQ(printableText("abcdef", 3), "abc...");
    for (const char c : { '\0', '\n', '\x7f', '\x85', '\x9f' })
        EXPECT_FALSE(isPrintableLatin1(c)) << int(c);
    for (const char c : { ' ', '3', '~', '\xa0', '\xe9' })
        EXPECT_TRUE(isPrintableLatin1(c)) << int(c);
}

TEST(IpAddress, NumericAddressesOnly)
{
    const std::pair<std::string, int> rows[] = { { "1.2.3.4", AF_INET }, { "::1", AF_INET6 }, { "[::1]", AF_INET6 },
        { "[1.2.3.4]", AF_INET }, { "::ffff:1.2.3.4", AF_INET6 }, { "", 0 }, { "[]", 0 }, { "1.2.3", 0 },
        { "1.2.3.256", 0 }, { "host.example", 0 }, { "fe80::1%eth0", 0 }, { "[::1", 0 }, { std::string(80, '1'), 0 } };
    for (const auto& [text, family] : rows) {
        const auto ip = IpAddress::parse(text);
        EXPECT_EQ(ip ? ip->family : 0, family) << text;
    }
    sockaddr_storage out {};
    ASSERT_EQ(IpAddress::parse("10.1.2.3")->toSocketAddress(8080, out), sizeof(sockaddr_in));
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&out);
    EXPECT_TRUE(v4->sin_family == AF_INET && ntohs(v4->sin_port) == 8080 && ntohl(v4->sin_addr.s_addr) == 0x0a010203);
    ASSERT_EQ(IpAddress::parse("[::2]")->toSocketAddress(1, out), sizeof(sockaddr_in6));
    EXPECT_EQ(reinterpret_cast<const sockaddr_in6*>(&out)->sin6_addr.s6_addr[15], 2);
}

} // namespace
} // namespace qv
