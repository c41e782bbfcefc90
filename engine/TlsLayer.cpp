#include "engine/TlsLayer.h"

#include "engine/Exchange.h"

namespace qv {

TlsLayer::TlsLayer(std::shared_ptr<const TlsContext> context, std::string host)
    : m_context(std::move(context))
    , m_host(std::move(host))
{
}

void TlsLayer::onConnected()
{
    m_session = std::make_unique<TlsSession>(*m_context, m_host);
    const std::string hello = m_session->start();
    if (m_session->state() == TlsSession::State::Failed)
        failUpLater(CheckResult::ProxyFailed, std::string(m_session->reason()));
    else
        below()->send(hello);
}

void TlsLayer::onData(std::string& bytes)
{
    if (!m_session)
        return;
    const std::string answer = m_session->feed(bytes);
    if (!answer.empty())
        below()->send(answer);
    afterInput();
}

void TlsLayer::onClosed()
{
    if (!m_session)
        return;
    m_session->endOfStream();
    afterInput();
}

// Every upward call that can end the check is the last thing done: the next check may have
// begun on the same exchange by the time it returns.
void TlsLayer::afterInput()
{
    if (m_ended)
        return;
    const TlsSession::State state = m_session->state();
    if (state == TlsSession::State::Failed && !m_up) {
        m_ended = true;
        above()->onFailed({ CheckResult::ProxyFailed, m_session->reason() });
        return;
    }
    const std::uint64_t check = exchange().generation();
    if (!m_up && state != TlsSession::State::Handshaking) {
        m_up = true;
        above()->onConnected();
    }
    std::string plain = m_session->takePlaintext();
    if (!plain.empty()) {
        above()->onData(plain);
        if (exchange().generation() != check)
            return;
    }
    // After the answer began, a TLS failure ends it as a reset does: the gathered answer is judged.
    if (state == TlsSession::State::Closed || state == TlsSession::State::Failed) {
        m_ended = true;
        above()->onClosed();
    }
}

void TlsLayer::send(std::string_view bytes)
{
    if (!m_session)
        return;
    const std::string ciphertext = m_session->write(bytes);
    if (!ciphertext.empty())
        below()->send(ciphertext);
}

} // namespace qv
