#pragma once

#include "platform/Clipboard.h"

namespace qv {

class FakeClipboard final : public Clipboard
{
public:
    void clear() override { m_text.clear(), ++m_clears; }
    void setText(const std::string& text) override { m_text = text; }
    std::string text() const override { return m_text; }

    int clearCount() const { return m_clears; }

private:
    std::string m_text;
    int m_clears = 0;
};

} // namespace qv
