#include "engine/HandshakeLayer.h"

#include "engine/Exchange.h"
#include "protocols/FailureReason.h"

namespace qv {

HandshakeLayer::HandshakeLayer(std::unique_ptr<Handshake> unit)
    : m_unit(std::move(unit))
{
}

void HandshakeLayer::onConnected()
{
    const std::string first = m_unit->start();
    if (m_unit->state() == Handshake::State::Failed)
        failUpLater(CheckResult::ProxyFailed, std::string(m_unit->reason()));
    else
        below()->send(first);
}

void HandshakeLayer::onData(std::string& bytes)
{
    if (m_open) {
        above()->onData(bytes);
        return;
    }
    const std::string answer = m_unit->feed(bytes);
    if (!answer.empty())
        below()->send(answer);
    switch (m_unit->state()) {
    case Handshake::State::Working:
        return;
    case Handshake::State::Failed:
        above()->onFailed({ CheckResult::ProxyFailed, m_unit->reason() });
        return;
    case Handshake::State::Open:
        break;
    }
    m_open = true;
    const std::uint64_t check = exchange().generation();
    above()->onConnected();
    std::string early = m_unit->takeTunnelBytes();
    if (!early.empty() && exchange().generation() == check)
        above()->onData(early);
}

void HandshakeLayer::reset()
{
    m_unit->restart();
    m_open = false;
}

void HandshakeLayer::onClosed()
{
    // A proxy that hangs up before its reply is done did not speak the protocol asked of it.
    if (m_open)
        above()->onClosed();
    else
        above()->onFailed({ CheckResult::ProxyFailed, reason::kBadReply });
}

} // namespace qv
