#pragma once

#include <cstddef>
#include <string>

#include "engine/Layer.h"

namespace qv {

// The top of a check's layer stack: once the way through is connected it sends the judge request,
// gathers the answer until the peer closes (or fails after the answer began, or kAnswerCap bytes
// have come) and judges it whole.
class JudgeLayer final : public Layer {
public:
    static constexpr std::size_t kAnswerCap = 256 * 1024;

    void onConnected() override;
    void onData(std::string& bytes) override;
    void onClosed() override;
    void onFailed(const Failure& failure) override;
    void reset() override { m_answer.clear(); }

    // The deadline passed: what has come is judged.
    void timedOut() { finish(CheckResult::TimedOut); }
    const std::string& answer() const { return m_answer; }

private:
    void finish(CheckResult failure);

    std::string m_answer;
    std::string m_level;
};

} // namespace qv
