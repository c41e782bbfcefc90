#include "protocols/Socks5Connect.h"

#include "protocols/FailureReason.h"

namespace qv {

namespace {
constexpr char kVersion = 5;
constexpr char kNoAuth = 0;
constexpr char kUserPassword = 2;
constexpr unsigned char kNoMethod = 0xff;
constexpr char kPasswordVersion = 1;
} // namespace

Socks5Connect::Socks5Connect(Destination destination, std::optional<Credentials> credentials)
    : m_destination(std::move(destination))
    , m_credentials(std::move(credentials))
    , m_request(makeRequest())
{
}

void Socks5Connect::restart()
{
    Handshake::restart();
    m_phase = Phase::Method;
}

std::string Socks5Connect::start()
{
    if (m_destination.host.size() > 255
        || (m_credentials && (m_credentials->user.size() > 255 || m_credentials->password.size() > 255)))
        return fail(reason::kSocksError);
    if (m_credentials)
        return { kVersion, 2, kNoAuth, kUserPassword };
    return { kVersion, 1, kNoAuth };
}

std::string Socks5Connect::makeRequest() const
{
    std::string bytes = { kVersion, 1, 0 };
    // Empty bytes mean a name.
    const std::string address = m_destination.addressBytes();
    if (address.empty()) {
        bytes += '\3';
        bytes += static_cast<char>(m_destination.host.size());
        bytes += m_destination.host;
    } else {
        bytes += address.size() == 4 ? '\1' : '\4';
        bytes += address;
    }
    return bytes + portBytes(m_destination.port);
}

std::string Socks5Connect::step()
{
    if (m_phase == Phase::Method) {
        if (m_in[0] != kVersion)
            return fail(reason::kBadReply);
        if (m_in.size() < 2)
            return {};
        const unsigned char method = static_cast<unsigned char>(m_in[1]);
        if (method == kNoMethod)
            return fail(m_credentials ? reason::kAuthRefused : reason::kAuthRequired);
        if (method == static_cast<unsigned char>(kUserPassword) && m_credentials) {
            m_in.erase(0, 2);
            m_phase = Phase::Password;
            const Credentials& c = *m_credentials;
            std::string auth = { kPasswordVersion, static_cast<char>(c.user.size()) };
            auth += c.user;
            auth += static_cast<char>(c.password.size());
            auth += c.password;
            return m_in.empty() ? auth : fail(reason::kBadReply);
        }
        if (method != kNoAuth)
            return fail(reason::kBadReply);
        m_in.erase(0, 2);
        m_phase = Phase::Reply;
        return m_in.empty() ? m_request : fail(reason::kBadReply);
    }
    if (m_phase == Phase::Password) {
        if (m_in[0] != kPasswordVersion)
            return fail(reason::kBadReply);
        if (m_in.size() < 2)
            return {};
        if (m_in[1] != 0)
            return fail(reason::kAuthRefused);
        m_in.erase(0, 2);
        m_phase = Phase::Reply;
        return m_in.empty() ? m_request : fail(reason::kBadReply);
    }

    // VER REP RSV ATYP BND.ADDR BND.PORT
    if (m_in[0] != kVersion)
        return fail(reason::kBadReply);
    if (m_in.size() < 2)
        return {};
    switch (static_cast<unsigned char>(m_in[1])) {
    case 0:
        break;
    case 2: // not allowed by the proxy's rules
    case 3: // network unreachable
    case 4: // host unreachable
    case 5: // connection refused
        return fail(reason::kSocksRefused);
    default:
        return fail(reason::kSocksError);
    }
    if (m_in.size() < 5)
        return {};
    std::size_t size = 0;
    switch (m_in[3]) {
    case 1:
        size = 4 + 4 + 2;
        break;
    case 4:
        size = 4 + 16 + 2;
        break;
    case 3:
        size = 4 + 1 + static_cast<unsigned char>(m_in[4]) + 2;
        break;
    default:
        return fail(reason::kBadReply);
    }
    if (m_in.size() >= size)
        open(size);
    return {};
}

} // namespace qv
