#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/EventLoop.h"

namespace qv {

// quorvane-check's look at the judge before a scan: fetches an http:// judge URL directly, not
// through a proxy, with the request bytes and the timeout a scan sends through each proxy, and
// says what went wrong when the answer would fail every proxy.
class JudgeCheck final {
public:
    struct Target {
        std::string host;
        int port = 80;
    };

    explicit JudgeCheck(EventLoop& loop);
    ~JudgeCheck();
    JudgeCheck(const JudgeCheck&) = delete;
    JudgeCheck& operator=(const JudgeCheck&) = delete;

    // Where an http:// URL is fetched from; nullopt for another scheme. problem is set, and the
    // target empty, when an http:// URL names no usable host or port.
    static std::optional<Target> target(std::string_view url, std::string& problem);

    // Starts the fetch; done is called once from the loop, with an empty text when the answer
    // passes, else with what went wrong. False, and done is never called, for a URL that is not
    // http://.
    bool start(const std::string& url, int timeoutMs, std::function<void(const std::string& problem)> done);

private:
    void gather();
    void end(std::string problem);
    std::string verdict() const;

    EventLoop& m_loop;
    std::unique_ptr<TcpSocket> m_socket;
    std::unique_ptr<Timer> m_timer;
    std::function<void(const std::string&)> m_done;
    std::string m_url;
    std::string m_answer;
    int m_timeoutMs = 0;
};

} // namespace qv
