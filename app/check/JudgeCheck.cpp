#include "app/check/JudgeCheck.h"

#include <algorithm>

#include "engine/JudgeProtocol.h"
#include "engine/ProxyEntry.h"
#include "engine/ScanEngine.h"
#include "platform/EpollTcpSocket.h"

namespace qv {

namespace {
bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), text.begin(),
            [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b); });
}

// One line of at most 80 bytes, control bytes shown as '?'.
std::string printable(std::string_view text)
{
    std::string out(text.substr(0, 80));
    std::replace_if(out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return out;
}
} // namespace

JudgeCheck::JudgeCheck(EventLoop& loop)
    : m_loop(loop)
{
}

JudgeCheck::~JudgeCheck() = default;

std::optional<JudgeCheck::Target> JudgeCheck::target(std::string_view url, std::string& problem)
{
    constexpr std::string_view kScheme = "http://";
    if (!startsWithNoCase(url, kScheme))
        return std::nullopt;
    std::string_view authority = url.substr(kScheme.size());
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority = authority.substr(at + 1);
    Target target;
    std::string_view port;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        target.host = std::string(authority.substr(0, close == std::string_view::npos ? close : close + 1));
        if (close != std::string_view::npos && authority.substr(close + 1).starts_with(':'))
            port = authority.substr(close + 2);
    } else {
        const std::size_t colon = authority.rfind(':');
        target.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos)
            port = authority.substr(colon + 1);
    }
    if (!port.empty()) {
        const long long number = parseWholeNumber(port, 65535);
        target.port = static_cast<int>(number);
        if (number < 1)
            problem = "the port \"" + printable(port) + "\" is not a number from 1 to 65535";
    }
    if (target.host.empty())
        problem = "the URL names no host";
    return problem.empty() ? target : Target {};
}

bool JudgeCheck::start(const std::string& url, int timeoutMs, std::function<void(const std::string&)> done)
{
    std::string problem;
    const std::optional<Target> where = target(url, problem);
    if (!where)
        return false;
    m_url = url;
    m_timeoutMs = timeoutMs;
    m_done = std::move(done);
    m_answer.clear();
    m_timer = m_loop.createTimer();
    m_timer->setOnTick([this] {
        gather();
        end(m_answer.empty() ? "timed out after " + std::to_string(m_timeoutMs) + " ms" : verdict());
    });
    m_socket = m_loop.createSocket();
    TcpSocketEvents events;
    events.connected = [this] {
        // Like a scan: the answer gets a full interval from the send.
        m_timer->setEnabled(false);
        m_socket->sendData(JudgeProtocol::request(m_url));
        m_timer->setEnabled(true);
    };
    events.dataArrival = [this](std::size_t) {
        gather();
        if (m_answer.size() >= ScanEngine::kAnswerCap)
            end(verdict());
    };
    events.peerClosed = [this] {
        gather();
        end(verdict());
    };
    events.error = [this](int number, const std::string& description) {
        gather();
        if (!m_answer.empty())
            end(verdict());
        else if (number == EpollTcpSocket::HostNotFound)
            end("name not found (" + printable(description) + ")");
        else if (number == EpollTcpSocket::ConnectionRefused)
            end("connection refused");
        else
            end(printable(description));
    };
    m_socket->setEvents(std::move(events));
    m_socket->setRemoteHost(where->host);
    m_socket->setRemotePort(where->port);
    m_timer->setInterval(timeoutMs);
    m_timer->setEnabled(true);
    if (problem.empty() && !m_socket->connect())
        problem = "cannot connect to " + printable(where->host);
    if (!problem.empty()) {
        // Reported from the loop, as every other outcome is.
        m_timer->setOnTick([this, problem] { end(problem); });
        m_timer->setInterval(1);
    }
    return true;
}

void JudgeCheck::gather()
{
    const std::string data = m_socket->getData();
    const std::size_t room = ScanEngine::kAnswerCap - std::min(ScanEngine::kAnswerCap, m_answer.size());
    m_answer.append(data, 0, std::min(data.size(), room));
}

std::string JudgeCheck::verdict() const
{
    if (JudgeProtocol::judge(m_answer))
        return {};
    std::string text = "closed the connection without answering";
    if (!m_answer.empty())
        text = "answered without \"Comment\" (\"" + printable(m_answer.substr(0, m_answer.find_first_of("\r\n")))
            + "\")";
    if (m_url.find_first_of(" \t") != std::string::npos)
        text += "; the URL has a blank in it";
    else if (m_url.find('/', 7) == std::string::npos)
        text += "; the URL has no path";
    return text;
}

void JudgeCheck::end(std::string problem)
{
    if (!m_done)
        return;
    m_socket->close();
    m_timer->setEnabled(false);
    // Taken first: the handler may start the scan, which must find this check finished.
    const auto done = std::move(m_done);
    m_done = nullptr;
    done(problem);
}

} // namespace qv
