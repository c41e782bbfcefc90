#include "engine/Exchange.h"

namespace qv {

void Layer::failUpLater(CheckResult result, std::string reason)
{
    m_exchange->postIfCurrent([this, result, reason = std::move(reason)] { m_above->onFailed({ result, reason }); });
}

Exchange::Exchange(EventLoop& loop, ExchangeClient& client, int id)
    : m_loop(loop)
    , m_client(client)
    , m_id(id)
    , m_socket(loop.createSocket())
    , m_timer(loop.createTimer())
    , m_bottom(*m_socket)
{
    m_timer->setOnTick([this] { onTick(); });
    link();
}

Exchange::~Exchange()
{
    // Closed sockets and stopped timers raise no events, so nothing reaches this after.
    m_socket->close();
    m_timer->setEnabled(false);
}

void Exchange::link()
{
    std::vector<Layer*> stack { &m_bottom };
    for (const std::unique_ptr<Layer>& layer : m_layers)
        stack.push_back(layer.get());
    stack.push_back(&m_judge);
    for (std::size_t i = 0; i < stack.size(); ++i) {
        stack[i]->m_exchange = this;
        stack[i]->m_below = i > 0 ? stack[i - 1] : nullptr;
        stack[i]->m_above = i + 1 < stack.size() ? stack[i + 1] : nullptr;
    }
}

void Exchange::setLayers(std::vector<std::unique_ptr<Layer>> layers)
{
    m_layers = std::move(layers);
    link();
}

bool Exchange::begin(const std::string& host, int port)
{
    close();
    m_bottom.reset();
    for (const std::unique_ptr<Layer>& layer : m_layers)
        layer->reset();
    m_judge.reset();
    m_socket->setRemoteHost(host);
    m_socket->setRemotePort(port);
    if (!m_socket->connect())
        return false;
    m_active = true;
    m_timer->setInterval(m_client.timeoutMs());
    m_timer->setEnabled(false);
    m_timer->setEnabled(true);
    return true;
}

void Exchange::close()
{
    if (m_active)
        ++*m_generation;
    m_active = false;
    m_socket->close();
    m_timer->setEnabled(false);
}

void Exchange::restartDeadline()
{
    // A new interval restarts a running timer.
    m_timer->setInterval(m_client.timeoutMs());
    m_timer->setEnabled(true);
}

void Exchange::end(const ExchangeEnd& end)
{
    if (!m_active)
        return;
    close();
    m_client.exchangeEnded(*this, end);
}

void Exchange::postIfCurrent(std::function<void()> call)
{
    m_loop.post([life = std::weak_ptr<std::uint64_t>(m_generation), at = *m_generation, call = std::move(call)] {
        const std::shared_ptr<std::uint64_t> held = life.lock();
        if (held && *held == at)
            call();
    });
}

void Exchange::onTick()
{
    if (!m_active) {
        m_timer->setEnabled(false);
        return;
    }
    // What has arrived by now is judged like a whole answer.
    m_bottom.drain();
    if (m_active)
        m_judge.timedOut();
}

} // namespace qv
