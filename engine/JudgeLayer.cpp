#include "engine/JudgeLayer.h"

#include <algorithm>

#include "engine/Exchange.h"
#include "engine/JudgeProtocol.h"

namespace qv {

void JudgeLayer::onConnected()
{
    send(exchange().client().request(exchange()));
    // The peer gets a full interval from the request.
    exchange().restartDeadline();
}

void JudgeLayer::onData(std::string& bytes)
{
    if (!exchange().active())
        return;
    if (m_answer.empty() && bytes.size() <= kAnswerCap) {
        m_answer = std::move(bytes); // most answers come in one piece: no copy
    } else {
        const std::size_t room = kAnswerCap - std::min(kAnswerCap, m_answer.size());
        m_answer.append(bytes, 0, std::min(room, bytes.size()));
    }
    // The deadline is not restarted: a peer that drips its answer still ends one interval after
    // the request.
    if (m_answer.size() >= kAnswerCap)
        finish(CheckResult::NoPassMarker);
}

void JudgeLayer::onClosed()
{
    // A proxy that reads the request and closes without a byte is not an answer without the marker.
    if (exchange().active())
        finish(m_answer.empty() ? CheckResult::Closed : CheckResult::NoPassMarker);
}

void JudgeLayer::onFailed(const Failure& failure)
{
    if (!exchange().active())
        return;
    // Many servers close with part of the request unread, and their kernel then resets instead of
    // ending the stream: once the answer has begun, an error ends it the way a close does.
    if (!m_answer.empty()) {
        finish(CheckResult::NoPassMarker);
        return;
    }
    ExchangeEnd end;
    end.result = failure.result;
    end.failed = true;
    end.reason = failure.reason;
    exchange().end(end);
}

void JudgeLayer::finish(CheckResult failure)
{
    ExchangeEnd end;
    end.result = failure;
    if (std::optional<std::string> level = JudgeProtocol::judge(m_answer)) {
        m_level = std::move(*level);
        end.result = CheckResult::Found;
        end.level = m_level;
    }
    exchange().end(end);
}

} // namespace qv
