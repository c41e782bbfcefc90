#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CheckResult.h"
#include "engine/JudgeLayer.h"
#include "engine/SocketLayer.h"
#include "platform/EventLoop.h"

namespace qv {

class Exchange;

// How one exchange ended.
struct ExchangeEnd {
    CheckResult result = CheckResult::Found;
    // Ended by a failure before any answer (a socket error or a layer's), not judged.
    bool failed = false;
    std::string_view level; // found only
    std::string_view reason; // failed only: the system's description or the layer's word
};

// What an exchange asks of and tells its owner.
class ExchangeClient {
public:
    virtual ~ExchangeClient() = default;
    // The wait for the next step, asked at the connect and again at the request.
    virtual int timeoutMs() = 0;
    // The judge request, asked at every request.
    virtual std::string_view request() = 0;
    // The connection to the peer is up.
    virtual void exchangeConnected(Exchange& exchange) = 0;
    // Once per check begun, from the loop.
    virtual void exchangeEnded(Exchange& exchange, const ExchangeEnd& end) = 0;
};

// One check's conversation: a socket at the bottom, the protocol layers above it, the judge
// request on top (send it, gather the answer up to kAnswerCap, judge it) and the deadline: one
// interval from the connect, a new one from the request. Made once and used for check after check.
class Exchange final {
public:
    static constexpr std::size_t kAnswerCap = JudgeLayer::kAnswerCap;

    Exchange(EventLoop& loop, ExchangeClient& client, int id);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    int id() const { return m_id; }
    // The layers between the socket and the judge request, lowest first, for the checks begun from
    // now on.
    void setLayers(std::vector<std::unique_ptr<Layer>> layers);
    // Connects to host:port and starts the deadline. False, with nothing to follow, when the
    // connect is refused at once (see TcpSocket::connect).
    bool begin(const std::string& host, int port);
    // Ends the check in flight without a report.
    void close();
    bool active() const { return m_active; }
    // The answer the last check gathered.
    const std::string& answer() const { return m_judge.answer(); }
    int remotePort() const { return m_socket->remotePort(); }

    // For the layers.
    ExchangeClient& client() { return m_client; }
    void restartDeadline();
    void end(const ExchangeEnd& end);
    // Runs call on the loop's next turn unless this check has ended by then.
    void postIfCurrent(std::function<void()> call);

private:
    void link();
    void onTick();

    EventLoop& m_loop;
    ExchangeClient& m_client;
    const int m_id;
    std::unique_ptr<TcpSocket> m_socket;
    std::unique_ptr<Timer> m_timer;
    SocketLayer m_bottom;
    std::vector<std::unique_ptr<Layer>> m_layers;
    JudgeLayer m_judge;
    bool m_active = false;
    // Counts checks; posted calls hold it weakly, so they outlive neither their check nor this.
    std::shared_ptr<std::uint64_t> m_generation = std::make_shared<std::uint64_t>(0);
};

} // namespace qv
