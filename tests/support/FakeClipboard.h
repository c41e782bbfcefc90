#pragma once

#include "platform/Clipboard.h"

namespace qv {

class FakeClipboard final : public Clipboard
{
public:
    void clear() override { m_text.clear(), ++m_clears; }
    void setText(const std::string& text) override { m_text = text, ++m_sets; }
    std::string text() const override { return m_text; }

    int clearCount() const { return m_clears; }
    int setCount() const { return m_sets; }

private:
    std::string m_text;
    int m_clears = 0;
    int m_sets = 0;
};

} // namespace qv
