#pragma once

#include <vector>

#include "platform/MessageBox.h"

namespace qv {

// Answers Yes to Yes/No boxes and Ok to others, unless setDefaultAnswer says otherwise. Records
// every box shown.
class FakeMessageBox final : public MessageBox
{
public:
    struct Shown
    {
        std::string prompt;
        int style = 0;
        std::string title;
    };

    void setDefaultAnswer(int answer) { m_defaultAnswer = answer; }

    int show(const std::string& prompt, int style, const std::string& title) override
    {
        m_shown.push_back({ prompt, style, title });
        return m_defaultAnswer != 0 ? m_defaultAnswer : (style & 0x7) == YesNo ? Yes : Ok;
    }

    const std::vector<Shown>& shown() const { return m_shown; }
    int count() const { return static_cast<int>(m_shown.size()); }
    std::string lastPrompt() const { return m_shown.empty() ? std::string() : m_shown.back().prompt; }
    std::string lastTitle() const { return m_shown.empty() ? std::string() : m_shown.back().title; }
    int lastStyle() const { return m_shown.empty() ? -1 : m_shown.back().style; }

private:
    std::vector<Shown> m_shown;
    int m_defaultAnswer = 0;
};

} // namespace qv
