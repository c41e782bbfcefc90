#include "protocols/Socks4Connect.h"

#include "protocols/FailureReason.h"

namespace qv {

Socks4Connect::Socks4Connect(Destination destination, std::string userId)
    : m_destination(std::move(destination))
    , m_userId(std::move(userId))
{
}

std::string Socks4Connect::start()
{
    const Destination::Kind kind = m_destination.kind();
    // A NUL would end the user id early and shift every byte after it.
    if (kind == Destination::Kind::Ipv6 || m_userId.find('\0') != std::string::npos
        || m_destination.host.find('\0') != std::string::npos)
        return fail(reason::kSocksError);
    std::string request = { 4, 1 };
    request += portBytes(m_destination.port);
    // SOCKS4a marks a name with the address 0.0.0.x, x not zero, and sends the name after the user id.
    request += kind == Destination::Kind::Ipv4 ? m_destination.addressBytes() : std::string("\0\0\0\1", 4);
    request += m_userId;
    request += '\0';
    if (kind == Destination::Kind::Name) {
        request += m_destination.host;
        request += '\0';
    }
    return request;
}

std::string Socks4Connect::step()
{
    if (m_in[0] != 0)
        return fail(reason::kBadReply);
    if (m_in.size() < 2)
        return {};
    if (static_cast<unsigned char>(m_in[1]) != 90)
        return fail(reason::kSocksRefused);
    if (m_in.size() >= kReplySize)
        open(kReplySize);
    return {};
}

} // namespace qv
