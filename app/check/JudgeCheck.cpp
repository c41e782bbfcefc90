#include "app/check/JudgeCheck.h"

#include "engine/JudgeProtocol.h"
#include "engine/ProxyEntry.h"
#include "engine/TlsLayer.h"
#include "protocols/FailureReason.h"
#include "protocols/HttpMessage.h"
#include "protocols/JudgeUrl.h"
#include "util/Text.h"

namespace qv {

namespace {
constexpr std::size_t kShownBytes = 80;
} // namespace

JudgeCheck::JudgeCheck(EventLoop& loop)
    : m_loop(loop)
    , m_exchange(loop, *this, 0)
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
            problem = "the port \"" + printableText(port, kShownBytes) + "\" is not a number from 1 to 65535";
    }
    if (target.host.empty())
        problem = "the URL names no host";
    return problem.empty() ? target : Target {};
}

bool JudgeCheck::start(const std::string& url, int timeoutMs, std::function<void(const std::string&)> done,
    std::shared_ptr<const TlsContext> tls)
{
    std::string problem;
    std::optional<Target> where = target(url, problem);
    std::vector<std::unique_ptr<Layer>> layers;
    if (where) {
        m_request = JudgeProtocol::request(url);
    } else if (const std::optional<JudgeUrl> https = JudgeUrl::parse(url); https && https->secure) {
        // Asked over TLS as a tunnel through a proxy asks it: the path, with a Host line.
        if (!tls) {
            std::string error;
            tls = TlsContext::create({}, false, &error);
            problem = error;
        }
        where = Target { https->destination.host, https->destination.port };
        if (tls)
            layers.push_back(std::make_unique<TlsLayer>(std::move(tls), https->destination.host));
        m_request = HttpMessage::originRequest(*https);
    } else {
        return false;
    }
    m_exchange.setLayers(std::move(layers));
    m_url = url;
    m_timeoutMs = timeoutMs;
    m_done = std::move(done);
    if (problem.empty() && !m_exchange.begin(where->host, where->port))
        problem = "cannot connect to " + printableText(where->host, kShownBytes);
    if (!problem.empty()) {
        // Reported from the loop, as every other outcome is.
        m_loop.post([life = std::weak_ptr<bool>(m_life), this, problem] {
            if (life.lock())
                end(problem);
        });
    }
    return true;
}

void JudgeCheck::exchangeEnded(Exchange& exchange, const ExchangeEnd& outcome)
{
    if (outcome.result == CheckResult::Found)
        end({});
    else if (!outcome.failed)
        end(outcome.result == CheckResult::TimedOut && exchange.answer().empty()
                ? "timed out after " + std::to_string(m_timeoutMs) + " ms"
                : verdict(exchange.answer()));
    else if (outcome.result == CheckResult::NameNotFound)
        end("name not found (" + printableText(outcome.reason, kShownBytes) + ")");
    else if (outcome.result == CheckResult::Refused)
        end("connection refused");
    else if (outcome.reason == reason::kCertificate)
        end("its certificate cannot be verified (--ca-file FILE trusts the authority that signed it, --insecure skips the check)");
    else
        end(printableText(outcome.reason, kShownBytes));
}

std::string JudgeCheck::verdict(const std::string& answer) const
{
    std::string text = checkResultName(CheckResult::Closed);
    if (!answer.empty())
        text = "answered without \"Comment\" (\""
            + printableText(std::string_view(answer).substr(0, answer.find_first_of("\r\n")), kShownBytes) + "\")";
    if (m_url.find_first_of(" \t") != std::string::npos)
        text += "; the URL has a blank in it";
    else if (m_url.find('/', 7) == std::string::npos)
        text += "; the URL has no path";
    return text;
}

void JudgeCheck::end(const std::string& problem)
{
    if (!m_done)
        return;
    m_exchange.close();
    // Taken first: the handler may start the scan, which must find this check finished.
    const auto done = std::move(m_done);
    m_done = nullptr;
    done(problem);
}

} // namespace qv
