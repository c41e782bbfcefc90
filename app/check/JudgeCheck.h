#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/Exchange.h"
#include "platform/EventLoop.h"
#include "protocols/TlsContext.h"

namespace qv {

// quorvane-check's look at the judge before a scan: fetches an http:// judge URL directly, not
// through a proxy, with the exchange a scan makes through each proxy (the same request bytes,
// timeout, answer cap and judging), and says what went wrong when the answer would fail every proxy.
class JudgeCheck final : private ExchangeClient {
public:
    struct Target {
        std::string host;
        int port = 80;
    };

    explicit JudgeCheck(EventLoop& loop);
    ~JudgeCheck() override;
    JudgeCheck(const JudgeCheck&) = delete;
    JudgeCheck& operator=(const JudgeCheck&) = delete;

    // Where an http:// URL is fetched from; nullopt for another scheme. problem is set, and the
    // target empty, when an http:// URL names no usable host or port.
    static std::optional<Target> target(std::string_view url, std::string& problem);

    // Starts the fetch; done is called once from the loop, with an empty text when the answer
    // passes, else with what went wrong. An https:// URL is fetched over TLS verified by tls (the
    // system's certificates when null). False, and done is never called, for a URL that is neither.
    bool start(const std::string& url, int timeoutMs, std::function<void(const std::string& problem)> done,
        std::shared_ptr<const TlsContext> tls = nullptr);
    // The judge's answer, once done has been called.
    const std::string& answer() const { return m_exchange.answer(); }

private:
    // ExchangeClient
    int timeoutMs() override { return m_timeoutMs; }
    std::string_view request(const Exchange&) override { return m_request; }
    void exchangeConnected(Exchange&) override { }
    void exchangeEnded(Exchange& exchange, const ExchangeEnd& end) override;

    std::string verdict(const std::string& answer) const;
    void end(const std::string& problem);

    EventLoop& m_loop;
    Exchange m_exchange;
    std::function<void(const std::string&)> m_done;
    std::string m_url;
    std::string m_request;
    int m_timeoutMs = 0;
    // Held weakly by a posted report, which then never outlives this.
    std::shared_ptr<bool> m_life = std::make_shared<bool>(true);
};

} // namespace qv
